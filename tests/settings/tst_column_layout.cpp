// Column visibility: the eleven entries, the rebuilds from the stored values and from the
// checks, and where the column layout file lives.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "settings/column_layout.h"
#include "settings/ini_proc.h"
#include "todolist/todo_list.h"

namespace {

const QString kSection = QStringLiteral("Settings");

// The check list as a plain array; records which entries were made current.
class FakeChecks : public IFieldChecks {
public:
    bool FieldChecked(int entry) const override { return checks.at(entry); }
    void SetFieldChecked(int entry, bool checked) override { checks.at(entry) = checked; }
    void SetCurrentField(int entry) override { current.push_back(entry); }

    std::array<bool, FieldCount> checks{};
    std::vector<int> current;
};

QStringList Captions(const TCustomTodoList& list) {
    QStringList captions;
    for (const TTodoColumnItem* column : list.Columns()) {
        captions << QString::fromStdString(column->Caption());
    }
    return captions;
}

QStringList StoredKeys() {
    QStringList keys;
    for (const TFieldEntry& entry : FieldEntries) {
        const QString value = ReadSetting(kSection, QString::fromLatin1(entry.Key));
        if (value != kSettingAbsent) {
            keys << QString::fromLatin1(entry.Key) + QLatin1Char('=') + value;
        }
    }
    return keys;
}

}  // namespace

class TestColumnLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(SettingsFolder().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")) &&
                     !qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty(),
                 "run through ctest: the test needs a configuration folder of its own");
    }
    void init() { QDir(SettingsFolder()).removeRecursively(); }

    void entries_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("key");
        const struct {
            const char* text;
            const char* caption;
            TTodoData kind;
            const char* key;
        } rows[] = {
            {"Complete", "Done", tdComplete, "vDone"},
            {"Subject", "Subject", tdSubject, "vSubj"},
            {"Resource", "Resource", tdResource, "vReso"},
            {"Notes", "Notes", tdNotes, "vNote"},
            {"Status", "Status", tdStatus, "vStat"},
            {"Priority", "Priority", tdPriority, "vPrio"},
            {"Completion", "Completion", tdCompletion, "vComp"},
            {"Creation Date", "Create Date", tdCreationDate, "vCrea"},
            {"Due Date", "Due Date", tdDueDate, "vDueD"},
            {"Completion Date", "Completion Date", tdCompletionDate, "vComD"},
            {"Total time", "Total Time", tdTotalTime, "vTota"},
        };
        int index = 0;
        for (const auto& row : rows) {
            QTest::newRow(row.text)
                << index++ << row.text << row.caption << int(row.kind) << row.key;
        }
    }
    void entries() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(int, kind);
        QFETCH(QString, key);
        const TFieldEntry& entry = FieldEntries.at(static_cast<std::size_t>(index));
        QCOMPARE(QString::fromLatin1(entry.Text), text);
        QCOMPARE(QString::fromLatin1(entry.Caption), caption);
        QCOMPARE(int(entry.Kind), kind);
        QCOMPARE(QString::fromLatin1(entry.Key), key);

        // Showing the entry alone gives one column with that caption and kind.
        TTodoList list;
        FakeChecks checks;
        checks.checks.at(static_cast<std::size_t>(index)) = true;
        ReloadFields(checks, list);
        QCOMPARE(Captions(list), QStringList{caption});
        QCOMPARE(int(list.Columns().At(0)->TodoData()), kind);
        QCOMPARE(StoredKeys(), QStringList{key + QStringLiteral("=1")});
    }

    void firstRunLoadsNoColumns() {
        TTodoList list;
        list.AddColumn(tdComplete, "Done");
        list.AddColumn(tdSubject, "Subject");
        list.AddColumn(tdNotes, "Notes");
        FakeChecks checks;
        for (int entry : {0, 1, 2, 4, 5, 6}) {
            checks.checks.at(entry) = true;
        }
        const auto before = checks.checks;
        LoadFields(checks, list);
        QCOMPARE(list.Columns().Count(), 0);
        QCOMPARE(checks.checks, before);
        QVERIFY(checks.current.empty());
        QVERIFY(StoredKeys().isEmpty());

        // The first toggle builds the columns of every checked entry.
        ReloadFields(checks, list);
        QCOMPARE(Captions(list),
                 (QStringList{QStringLiteral("Done"), QStringLiteral("Subject"),
                              QStringLiteral("Resource"), QStringLiteral("Status"),
                              QStringLiteral("Priority"), QStringLiteral("Completion")}));
    }

    void loadFieldsTakesOnlyExactOnes() {
        WriteSetting(kSection, QStringLiteral("vNote"), QStringLiteral("1"));
        WriteSetting(kSection, QStringLiteral("vTota"), QStringLiteral("1"));
        WriteSetting(kSection, QStringLiteral("vSubj"), QStringLiteral("1"));
        WriteSetting(kSection, QStringLiteral("vDone"), QStringLiteral("y"));
        WriteSetting(kSection, QStringLiteral("vReso"), QStringLiteral("0"));
        WriteSetting(kSection, QStringLiteral("vPrio"), QStringLiteral(" 1"));
        TTodoList list;
        FakeChecks checks;
        checks.checks.at(2) = true;  // Resource keeps its check but gets no column
        LoadFields(checks, list);
        QCOMPARE(Captions(list), (QStringList{QStringLiteral("Subject"), QStringLiteral("Notes"),
                                              QStringLiteral("Total Time")}));
        QVERIFY(checks.checks.at(1) && checks.checks.at(3) && checks.checks.at(10));
        QVERIFY(checks.checks.at(2));
        QVERIFY(!checks.checks.at(0) && !checks.checks.at(5));
        QCOMPARE(checks.current, (std::vector<int>{1, 3, 10}));
    }

    void toggleRebuildsEveryColumn() {
        TTodoList list;
        FakeChecks checks;
        for (int entry : {1, 3, 7}) {
            checks.checks.at(entry) = true;
        }
        ReloadFields(checks, list);
        // Widths and order as a layout file or the header would leave them.
        list.Columns().At(0)->SetWidth(250);
        list.Columns().At(2)->SetIndex(0);
        list.AddColumn(tdImage, "Image");
        QCOMPARE(Captions(list),
                 (QStringList{QStringLiteral("Create Date"), QStringLiteral("Subject"),
                              QStringLiteral("Notes"), QStringLiteral("Image")}));

        checks.checks.at(3) = false;
        ReloadFields(checks, list);
        // Kinds without an entry survive the rebuild, at the front.
        QCOMPARE(Captions(list), (QStringList{QStringLiteral("Image"), QStringLiteral("Subject"),
                                              QStringLiteral("Create Date")}));
        for (const TTodoColumnItem* column : list.Columns()) {
            QCOMPARE(column->Width(), 100);
        }
        QCOMPARE(StoredKeys(), (QStringList{QStringLiteral("vSubj=1"), QStringLiteral("vCrea=1")}));
    }

    void uncheckingAllDeletesEveryKey() {
        TTodoList list;
        FakeChecks checks;
        checks.checks.fill(true);
        ReloadFields(checks, list);
        QCOMPARE(list.Columns().Count(), FieldCount);
        QCOMPARE(StoredKeys().size(), FieldCount);
        QCOMPARE(ColVisText(checks), QStringLiteral("11111111111"));

        checks.checks.fill(false);
        ReloadFields(checks, list);
        QCOMPARE(list.Columns().Count(), 0);
        QVERIFY(StoredKeys().isEmpty());
        QCOMPARE(ColVisText(checks), QStringLiteral("00000000000"));
    }

    void colVisFollowsTheChecks() {
        FakeChecks checks;
        for (int entry : {0, 1, 2, 4, 5, 6}) {
            checks.checks.at(entry) = true;
        }
        SaveColVis(checks);
        QCOMPARE(ReadSetting(kSection, QStringLiteral("colvis")), QStringLiteral("11101110000"));
    }

    void layoutFilePlace() {
        QTemporaryDir program;
        QVERIFY(program.isValid());
        QCOMPARE(ColumnLayoutFileName(program.path()),
                 QDir(program.path()).filePath(QStringLiteral("columninfo.txt")));
        const QString elsewhere = QDir(SettingsFolder()).filePath(QStringLiteral("columninfo.txt"));
        QCOMPARE(ColumnLayoutFileName(program.filePath(QStringLiteral("missing"))), elsewhere);
        QFile plain(program.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QCOMPARE(ColumnLayoutFileName(plain.fileName()), elsewhere);
    }

    void layoutFileRoundTrip() {
        const QString fileName = QDir(SettingsFolder()).filePath(QStringLiteral("columninfo.txt"));
        TTodoList list;
        QVERIFY(!LoadColumnLayout(list, fileName));  // missing: skipped, nothing changes
        list.AddColumn(tdDueDate, "Due")->SetWidth(77);
        list.AddColumn(tdSubject, "What");
        // The settings folder does not exist yet on a first run.
        QVERIFY(!QFileInfo::exists(SettingsFolder()));
        SaveColumnLayout(list, fileName);

        TTodoList other;
        other.AddColumn(tdNotes, "Notes");
        QVERIFY(LoadColumnLayout(other, fileName));
        QCOMPARE(Captions(other), (QStringList{QStringLiteral("Due"), QStringLiteral("What")}));
        QCOMPARE(other.Columns().At(0)->Width(), 77);
    }

    void unwritableLayoutFileRaises() {
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        TTodoList list;
        list.AddColumn(tdSubject, "Subject");
        const QString fileName = plain.fileName() + QStringLiteral("/columninfo.txt");
        QVERIFY_THROWS_EXCEPTION(EFCreateError, SaveColumnLayout(list, fileName));
    }
};

QTEST_MAIN(TestColumnLayout)
#include "tst_column_layout.moc"
