// The options dialog: its controls, the actions at the moment of a click, the show handler,
// the close-time writes and the dialogs it opens.

#include <QCheckBox>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include "platform/qt_convert.h"
#include "platform/testing/fake_platform.h"
#include "settings/ini_proc.h"
#include "settings/options_dialog.h"
#include "settings/spin_edit.h"
#include "tests/support/stored_settings.h"
#include "todolist/todo_list.h"

namespace {

// The main window as the dialog sees it: a real list and the three switches.
class FakeHost : public IOptionsHost {
public:
    FakeHost() { list.SetPreviewHeight(32); }
    TCustomTodoList& OptionsList() override { return list; }
    void SetButtonsVisible(bool visible) override {
        buttonsVisible = visible;
        calls << QStringLiteral("buttons %1").arg(visible);
    }
    void SetListFillsScrollBox(bool fill) override {
        fills = fill;
        calls << QStringLiteral("fill %1").arg(fill);
    }
    void SetAutoSaveEnabled(bool enabled) override {
        autoSave = enabled;
        calls << QStringLiteral("autosave %1").arg(enabled);
    }

    TTodoList list;
    bool buttonsVisible = true;
    bool fills = false;
    bool autoSave = false;
    QStringList calls;
};

int CountKind(const TCustomTodoList& list, TTodoData kind) {
    int count = 0;
    for (const TTodoColumnItem* column : list.Columns()) {
        count += column->TodoData() == kind ? 1 : 0;
    }
    return count;
}

}  // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<TFakePlatform> fake;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<TfrmOptions> dialog;

    template <typename T>
    T* Find(const char* name) {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget) {
            qWarning("no %s", name);
        }
        return widget;
    }
    QCheckBox* Check(const char* name) { return Find<QCheckBox>(name); }
    QListWidgetItem* Entry(int index) { return Find<QListWidget>("FieldList")->item(index); }
    // A click on a check box as the user makes it.
    void Click(const char* name) {
        QCheckBox* box = Check(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(SettingsFolder().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")) &&
                     !qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty(),
                 "run through ctest: the test needs a configuration folder of its own");
    }
    void init() {
        QDir(SettingsFolder()).removeRecursively();
        fake = std::make_unique<TFakePlatform>();
        host = std::make_unique<FakeHost>();
        dialog = std::make_unique<TfrmOptions>(*host, fake->Services());
    }
    void cleanup() {
        dialog.reset();
        host.reset();
        fake.reset();
        QFile::setPermissions(SettingsFolder(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void window() {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Pellmark - Options"));
        QCOMPARE(dialog->size(), QSize(570, 476));
        QVERIFY(!dialog->isModal());
        QVERIFY(!dialog->isVisible());
        auto* group = dialog->findChild<QGroupBox*>();
        QVERIFY(group);
        QCOMPARE(group->title(), QStringLiteral("  General Settings  "));
        QCOMPARE(group->geometry(), QRect(16, 16, 353, 241));
        QVERIFY(Find<QPushButton>("btnClose")->isDefault());
        // The buttons get their icons when the dialog is first shown.
        const char* const iconButtons[] = {"btnStartupFile", "btnSelectPrevFont",
                                           "btnSelPriorityFont", "btnClose"};
        for (const char* name : iconButtons) {
            QVERIFY2(Find<QPushButton>(name)->icon().isNull(), name);
        }
        dialog->show();
        for (const char* name : iconButtons) {
            QVERIFY2(!Find<QPushButton>(name)->icon().isNull(), name);
        }
        dialog->hide();
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QPoint>("place");
        QTest::addColumn<bool>("inGroup");
        QTest::newRow("ckPreviewNotes") << "ckPreviewNotes"
                                        << "Preview notes" << QPoint(48, 32) << true;
        QTest::newRow("CheckBox4") << "CheckBox4"
                                   << "Show sort indicator" << QPoint(48, 56) << true;
        QTest::newRow("ckAutoDeleteKey")
            << "ckAutoDeleteKey"
            << "Automatic delete with Delete key" << QPoint(48, 80) << true;
        QTest::newRow("ckAutoInsertKey")
            << "ckAutoInsertKey"
            << "Automatic insert with Insert key" << QPoint(48, 104) << true;
        QTest::newRow("ckAsktoSave")
            << "ckAsktoSave"
            << "Always ask to save Todolist on program exit" << QPoint(48, 128) << true;
        QTest::newRow("ckHideScroll")
            << "ckHideScroll"
            << "Hide horizontal scroll bar in main window." << QPoint(48, 152) << true;
        QTest::newRow("ckHideButtons")
            << "ckHideButtons"
            << "Hide Create and Delete buttons in main window." << QPoint(48, 176) << true;
        QTest::newRow("ckAutoSave")
            << "ckAutoSave"
            << "Auto-save the Todolist every 10 minutes." << QPoint(48, 200) << true;
        QTest::newRow("btnStartupFile") << "btnStartupFile"
                                        << "&Browse" << QPoint(448, 272) << false;
        QTest::newRow("btnSelectPrevFont") << "btnSelectPrevFont"
                                           << "Select Preview Font" << QPoint(16, 320) << false;
        QTest::newRow("btnSelPriorityFont") << "btnSelPriorityFont"
                                            << "Select Priority Font" << QPoint(176, 320) << false;
        QTest::newRow("btnClose") << "btnClose"
                                  << "&Save" << QPoint(232, 400) << false;
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QPoint, place);
        QFETCH(bool, inGroup);
        auto* button = dialog->findChild<QAbstractButton*>(name);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->pos(), place);
        QCOMPARE(button->parentWidget() == dialog->findChild<QGroupBox*>(), inGroup);
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    }

    void otherControls() {
        QCOMPARE(Find<TSpinEdit>("SpinEdit1")->geometry().topLeft(), QPoint(274, 29));
        QCOMPARE(Find<TSpinEdit>("SpinEdit1")->width(), 63);
        QCOMPARE(Find<QListWidget>("FieldList")->geometry(), QRect(392, 32, 145, 161));
        QCOMPARE(Find<QLineEdit>("txtStartupFile")->pos(), QPoint(128, 272));
        QCOMPARE(Find<QLineEdit>("txtStartupFile")->width(), 313);
        QStringList labels;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            labels << label->text();
        }
        labels.sort();
        QCOMPARE(labels, (QStringList{QStringLiteral("Preview height :"),
                                      QStringLiteral("Start-up Todo list file:"),
                                      QStringLiteral("View Columns:")}));
        QStringList entries;
        for (int i = 0; i < FieldCount; ++i) {
            entries << Entry(i)->text();
        }
        QCOMPARE(entries,
                 (QStringList{QStringLiteral("Complete"), QStringLiteral("Subject"),
                              QStringLiteral("Resource"), QStringLiteral("Notes"),
                              QStringLiteral("Status"), QStringLiteral("Priority"),
                              QStringLiteral("Completion"), QStringLiteral("Creation Date"),
                              QStringLiteral("Due Date"), QStringLiteral("Completion Date"),
                              QStringLiteral("Total time")}));
    }

    void creationDefaults() {
        QString checks;
        for (int i = 0; i < FieldCount; ++i) {
            checks += dialog->FieldChecked(i) ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(checks, QStringLiteral("11101110000"));
        QCOMPARE(Find<TSpinEdit>("SpinEdit1")->Value(), 32);
        // Creating the dialog builds no columns and writes nothing.
        QCOMPARE(host->list.Columns().Count(), 0);
        QVERIFY(!QFileInfo::exists(SettingsFileName()));
    }

    void previewHeight_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("height");
        QTest::newRow("number") << "45" << 45;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("number then text") << "12px" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("beyond 32 bits") << "99999999999" << 0;
    }
    void previewHeight() {
        QFETCH(QString, text);
        QFETCH(int, height);
        auto* spin = Find<TSpinEdit>("SpinEdit1");
        spin->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(spin, text.isEmpty() ? QStringLiteral("x") : text);
        if (text.isEmpty()) {
            QTest::keyClick(spin, Qt::Key_Backspace);
        }
        QCOMPARE(host->list.PreviewHeight(), height);
    }

    void arrowsStepFromTheValue() {
        auto* spin = Find<TSpinEdit>("SpinEdit1");
        spin->stepBy(1);
        QCOMPARE(host->list.PreviewHeight(), 33);
        spin->findChild<QLineEdit*>()->setText(QStringLiteral("junk"));
        spin->stepBy(-1);
        QCOMPARE(host->list.PreviewHeight(), -1);
    }

    void startupFileOnClose_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("cleared box keeps the stored file") << ""
                                                           << "/old/list.2do";
        QTest::newRow("three characters keep it") << "a.b"
                                                  << "/old/list.2do";
        QTest::newRow("four blanks switch it off") << "    "
                                                   << "";
        QTest::newRow("trimmed") << "  /new/x.2do \t"
                                 << "/new/x.2do";
        QTest::newRow("four characters") << "C:\\x"
                                         << "C:\\x";
    }
    void startupFileOnClose() {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        Store("startupfile", QStringLiteral("/old/list.2do"));
        dialog->ShowOptions();
        Find<QLineEdit>("txtStartupFile")->setText(text);
        dialog->close();
        QCOMPARE(Setting("startupfile"), stored);
    }

    void closeBoxStoresAllButColVis() {
        Store("prevnotes", QStringLiteral("y"));
        dialog->ShowOptions();
        QVERIFY(dialog->isVisible());
        Click("ckAsktoSave");
        Click("ckAutoInsertKey");
        dialog->close();  // the close box
        QVERIFY(!dialog->isVisible());
        QCOMPARE(Setting("asktosave"), QStringLiteral("y"));
        QCOMPARE(Setting("prevnotes"), QStringLiteral("y"));
        QCOMPARE(Setting("ckAutoDeleteKey"), QString());
        QCOMPARE(Setting("ckAutoInsertKey"), QStringLiteral("y"));
        QCOMPARE(Setting("ckHideScroll"), QString());
        QCOMPARE(Setting("colvis"), kSettingAbsent);
        QCOMPARE(Setting("startupfile"), kSettingAbsent);
        // Nothing else is stored: not the preview height, the sort indicator or the fonts.
        QSettings store(SettingsFileName(), QSettings::IniFormat);
        store.beginGroup(kSection);
        QStringList keys = store.childKeys();
        keys.sort();
        QCOMPARE(keys, (QStringList{QStringLiteral("asktosave"), QStringLiteral("ckAutoDeleteKey"),
                                    QStringLiteral("ckAutoInsertKey"),
                                    QStringLiteral("ckHideScroll"), QStringLiteral("prevnotes")}));
        // The close re-applies the scroll box alignment.
        QCOMPARE(host->calls.constLast(), QStringLiteral("fill 0"));
    }

    void saveButtonWritesColVisFirst() {
        dialog->ShowOptions();
        Entry(8)->setCheckState(Qt::Checked);
        QTest::mouseClick(Find<QPushButton>("btnClose"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(Setting("colvis"), QStringLiteral("11101110100"));
        QCOMPARE(Setting("asktosave"), QString());
    }

    void escapeRunsTheCloseWrites() {
        dialog->ShowOptions();
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(Setting("asktosave"), QString());
        QCOMPARE(Setting("colvis"), kSettingAbsent);
    }

    void enterPressesSave() {
        dialog->ShowOptions();
        Find<QListWidget>("FieldList")->setFocus();
        QTest::keyClick(Find<QListWidget>("FieldList"), Qt::Key_Return);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(Setting("colvis"), QStringLiteral("11101110000"));
    }

    void showWithPreviewRemovesNotesOnce() {
        Entry(NotesField)->setCheckState(Qt::Checked);  // rebuilds: Done, ..., Notes, ...
        host->list.AddColumn(tdNotes, "Second notes");
        QCOMPARE(CountKind(host->list, tdNotes), 2);
        Store("prevnotes", QStringLiteral("y"));

        dialog->ShowOptions();
        QVERIFY(Check("ckPreviewNotes")->isChecked());
        QVERIFY(host->list.Preview());
        QCOMPARE(CountKind(host->list, tdNotes), 1);
        QCOMPARE(QString::fromStdString(
                     host->list.Columns().At(host->list.Columns().Count() - 1)->Caption()),
                 QStringLiteral("Second notes"));

        dialog->hide();
        dialog->ShowOptions();
        QCOMPARE(CountKind(host->list, tdNotes), 1);
    }

    void previewOffAddsNotesOnlyWhenChecked() {
        Check("ckPreviewNotes")->setChecked(true);
        QVERIFY(host->list.Preview());
        Check("ckPreviewNotes")->setChecked(false);
        QVERIFY(!host->list.Preview());
        QCOMPARE(host->list.Columns().Count(), 0);  // Notes unchecked: no column

        Entry(NotesField)->setCheckState(Qt::Checked);
        const int before = host->list.Columns().Count();
        Check("ckPreviewNotes")->setChecked(true);
        QCOMPARE(CountKind(host->list, tdNotes), 0);
        Check("ckPreviewNotes")->setChecked(false);
        QCOMPARE(host->list.Columns().Count(), before);
        const TTodoColumnItem* last = host->list.Columns().At(before - 1);
        QCOMPARE(last->TodoData(), tdNotes);
        QCOMPARE(QString::fromStdString(last->Caption()), QStringLiteral("Notes"));
        QCOMPARE(Setting("prevnotes"), kSettingAbsent);  // written only on close
    }

    void sortIndicator() {
        host->list.AddColumn(tdPriority, "Priority");
        host->list.AddColumn(tdSubject, "Subject");
        for (const char* subject : {"b", "c", "a"}) {
            host->list.Items().Add()->SetSubject(subject);
        }
        Click("CheckBox4");
        QVERIFY(host->list.Sorted());
        QCOMPARE(host->list.SortColumn(), 1);
        QStringList order;
        for (const TTodoItem* item : host->list.Items()) {
            order << QString::fromStdString(item->Subject());
        }
        QCOMPARE(order,
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        Click("CheckBox4");
        QVERIFY(!host->list.Sorted());
    }

    void sortIndicatorWithoutSecondColumnShowsTheError() {
        host->list.AddColumn(tdSubject, "Subject");
        host->list.Items().Add()->SetSubject("b");
        host->list.Items().Add()->SetSubject("a");
        Click("CheckBox4");
        QCOMPARE(fake->Messages.Texts(mkError).size(), 1);
        QVERIFY(fake->Messages.Texts(mkError).at(0).contains(QLatin1String("(1)")));
    }

    void keyOptionsActAtOnceAndStoreOnClose() {
        Click("ckAutoDeleteKey");
        QVERIFY(host->list.AutoDeleteItem());
        QCOMPARE(Setting("ckAutoDeleteKey"), kSettingAbsent);
        Click("ckAutoInsertKey");
        QVERIFY(host->list.AutoInsertItem());
        Click("ckAutoInsertKey");
        QVERIFY(!host->list.AutoInsertItem());
        dialog->close();
        QCOMPARE(Setting("ckAutoDeleteKey"), QStringLiteral("y"));
        QCOMPARE(Setting("ckAutoInsertKey"), QString());
    }

    void windowSwitchesWriteAtOnce_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("off");
        QTest::newRow("scroll bar") << "ckHideScroll"
                                    << "fill 1"
                                    << "fill 0";
        QTest::newRow("buttons") << "ckHideButtons"
                                 << "buttons 0"
                                 << "buttons 1";
        QTest::newRow("autosave") << "ckAutoSave"
                                  << "autosave 1"
                                  << "autosave 0";
    }
    void windowSwitchesWriteAtOnce() {
        QFETCH(QString, box);
        QFETCH(QString, on);
        QFETCH(QString, off);
        const QByteArray name = box.toLatin1();
        Click(name.constData());
        QCOMPARE(host->calls, QStringList{on});
        QCOMPARE(Setting(name.constData()), QStringLiteral("y"));
        Click(name.constData());
        QCOMPARE(host->calls, (QStringList{on, off}));
        // A cleared flag reads back as the empty string, not as absent.
        QCOMPARE(Setting(name.constData()), QString());
    }

    void showReappliesStoredChoices() {
        Store("ckHideButtons", QStringLiteral("y"));
        Store("ckHideScroll", QStringLiteral("Y"));  // upper case is off
        Store("ckAutoDeleteKey", QStringLiteral("y"));
        Store("ckAutoSave", QStringLiteral("y"));
        dialog->ShowOptions();
        QVERIFY(Check("ckHideButtons")->isChecked());
        QVERIFY(!host->buttonsVisible);
        QVERIFY(!Check("ckHideScroll")->isChecked());
        QVERIFY(host->list.AutoDeleteItem());
        // Autosave is not read by the show handler.
        QVERIFY(!Check("ckAutoSave")->isChecked());
        QCOMPARE(host->calls, QStringList{QStringLiteral("buttons 0")});

        // Showing again with the same values changes nothing.
        dialog->hide();
        host->calls.clear();
        dialog->ShowOptions();
        QVERIFY(host->calls.isEmpty());
    }

    void autoSaveBoxFromTheMainWindow() {
        dialog->SetAutoSaveChecked(true);
        QVERIFY(Check("ckAutoSave")->isChecked());
        QCOMPARE(host->calls, QStringList{QStringLiteral("autosave 1")});
        QCOMPARE(Setting("ckAutoSave"), QStringLiteral("y"));
    }

    void toggleRebuildsColumns() {
        host->list.AddColumn(tdSubject, "Subject")->SetWidth(300);
        Entry(7)->setCheckState(Qt::Checked);
        QStringList captions;
        for (const TTodoColumnItem* column : host->list.Columns()) {
            captions << QString::fromStdString(column->Caption());
            QCOMPARE(column->Width(), 100);
        }
        QCOMPARE(captions, (QStringList{QStringLiteral("Done"), QStringLiteral("Subject"),
                                        QStringLiteral("Resource"), QStringLiteral("Status"),
                                        QStringLiteral("Priority"), QStringLiteral("Completion"),
                                        QStringLiteral("Create Date")}));
        QCOMPARE(Setting("vCrea"), QStringLiteral("1"));
        QCOMPARE(Find<QListWidget>("FieldList")->currentRow(), FieldCount - 1);
    }

    void programmaticChecksAreNoToggle() {
        dialog->SetFieldChecked(9, true);
        QVERIFY(dialog->FieldChecked(9));
        QCOMPARE(host->list.Columns().Count(), 0);
        QVERIFY(!QFileInfo::exists(SettingsFileName()));
    }

    void browse() {
        fake->Dialogs.OpenAnswers = {std::nullopt, QStringLiteral("/lists/home.2do")};
        auto* box = Find<QLineEdit>("txtStartupFile");
        box->setText(QStringLiteral("before"));
        QTest::mouseClick(Find<QPushButton>("btnStartupFile"), Qt::LeftButton);
        QCOMPARE(box->text(), QStringLiteral("before"));
        QTest::mouseClick(Find<QPushButton>("btnStartupFile"), Qt::LeftButton);
        QCOMPARE(box->text(), QStringLiteral("/lists/home.2do"));
        QCOMPARE(fake->Dialogs.OpenCalls.size(), 2u);
        const TFileDialogOptions& shown = fake->Dialogs.OpenCalls.at(0);
        QCOMPARE(shown.Title, QStringLiteral("Select Todo List"));
        QCOMPARE(shown.DefaultExt, QStringLiteral(".2do"));
        QCOMPARE(shown.Filter, QStringLiteral("Todo List Files|*.2do|All Files|*.*"));
        QCOMPARE(shown.FilterIndex, 1);
    }

    void fontButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("preview");
        QTest::newRow("preview") << "btnSelectPrevFont" << true;
        QTest::newRow("priority") << "btnSelPriorityFont" << false;
    }
    void fontButtons() {
        QFETCH(QString, button);
        QFETCH(bool, preview);
        TFont start;
        start.Color = preview ? clBlue : clRed;
        preview ? host->list.SetPreviewFont(start) : host->list.SetPriorityFont(start);
        TFont chosen = start;
        chosen.Name = QStringLiteral("DejaVu Serif");
        chosen.PointSize = 14;
        chosen.Style = fsItalic;
        fake->Dialogs.FontAnswers = {std::nullopt, chosen};
        auto current = [&] {
            return preview ? host->list.PreviewFont() : host->list.PriorityFont();
        };
        auto* widget = dialog->findChild<QPushButton*>(button);
        QTest::mouseClick(widget, Qt::LeftButton);
        QCOMPARE(current(), start);
        QTest::mouseClick(widget, Qt::LeftButton);
        QCOMPARE(current(), chosen);
        QCOMPARE(fake->Dialogs.FontCalls.at(0), start);
        QVERIFY(!QFileInfo::exists(SettingsFileName()));  // not stored
    }

    void buttonsTurnLimeUnderTheMouse() {
        auto* button = Find<QPushButton>("btnClose");
        const QColor face = ToQColor(clBtnFace, dialog->palette());
        QCOMPARE(button->palette().color(QPalette::Button), face);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(button, &enter);
        QCOMPARE(button->palette().color(QPalette::Button), QColor(0, 255, 0));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
        QCOMPARE(button->palette().color(QPalette::Button), face);
    }

    void failingWritesStillClose() {
        // A folder where the settings file belongs: every write is refused.
        QDir().mkpath(SettingsFileName());
        dialog->ShowOptions();
        dialog->close();
        QVERIFY(!dialog->isVisible());
        QVERIFY(!fake->Messages.Texts(mkError).isEmpty());
        QDir(SettingsFileName()).removeRecursively();
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_options_dialog.moc"
