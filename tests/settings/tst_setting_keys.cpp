#include <QTest>

#include "settings/setting_keys.h"
#include "tests/support/stored_settings.h"

// The names of the settings are what users' settings files hold: each one is checked here
// by name, kind and default, and through the store under the section "Settings".
class TestSettingKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // Run through ctest, which gives the test a configuration folder of its own.
        QVERIFY(SettingsFolder().startsWith(
            qEnvironmentVariable("XDG_CONFIG_HOME", QStringLiteral("/nowhere/"))));
    }

    void keys_data() {
        QTest::addColumn<int>("setting");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("absent");
        using K = TSettingKind;
        const struct {
            TSetting setting;
            const char* name;
            K kind;
            int absent;
        } rows[] = {
            {stMaximized, "maximized", K::Flag, 0},
            {stLeft, "left", K::Number, 200},
            {stTop, "top", K::Number, 100},
            {stWidth, "width", K::Number, 600},
            {stHeight, "height", K::Number, 350},
            {stPrevNotes, "prevnotes", K::Flag, 0},
            {stAutoDeleteKey, "ckAutoDeleteKey", K::Flag, 0},
            {stAutoInsertKey, "ckAutoInsertKey", K::Flag, 0},
            {stHideScroll, "ckHideScroll", K::Flag, 0},
            {stHideButtons, "ckHideButtons", K::Flag, 0},
            {stAutoSave, "ckAutoSave", K::Flag, 0},
            {stAskToSave, "asktosave", K::Flag, 0},
            {stStartupFile, "startupfile", K::Path, 0},
            {stColVis, "colvis", K::Summary, 0},
            {stVDone, "vDone", K::ColumnFlag, 0},
            {stVSubj, "vSubj", K::ColumnFlag, 0},
            {stVReso, "vReso", K::ColumnFlag, 0},
            {stVNote, "vNote", K::ColumnFlag, 0},
            {stVStat, "vStat", K::ColumnFlag, 0},
            {stVPrio, "vPrio", K::ColumnFlag, 0},
            {stVComp, "vComp", K::ColumnFlag, 0},
            {stVCrea, "vCrea", K::ColumnFlag, 0},
            {stVDueD, "vDueD", K::ColumnFlag, 0},
            {stVComD, "vComD", K::ColumnFlag, 0},
            {stVTota, "vTota", K::ColumnFlag, 0},
            {stRecent1, "recent1", K::Path, 0},
            {stRecent2, "recent2", K::Path, 0},
            {stRecent3, "recent3", K::Path, 0},
            {stRecent4, "recent4", K::Path, 0},
            {stRecent5, "recent5", K::Path, 0},
            {stRecent6, "recent6", K::Path, 0},
            {stRecent7, "recent7", K::Path, 0},
            {stRecent8, "recent8", K::Path, 0},
            {stSyncUrl, "syncurl", K::Text, 0},
            {stSyncUser, "syncuser", K::Text, 0},
            {stSyncInsecure, "syncinsecure", K::Flag, 0},
            {stSyncAutoSave, "syncautosave", K::Flag, 0},
        };
        QCOMPARE(int(std::size(rows)), SettingCount);
        for (const auto& row : rows) {
            QTest::newRow(row.name)
                << int(row.setting) << QString::fromLatin1(row.name) << int(row.kind) << row.absent;
        }
    }
    void keys() {
        QFETCH(int, setting);
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(int, absent);
        const auto key = static_cast<TSetting>(setting);
        QCOMPARE(QString::fromLatin1(SettingName(key)), name);
        QCOMPARE(int(kSettingKeys[key].Kind), kind);
        QCOMPARE(SettingDefault(key), absent);

        const QByteArray stored = name.toLatin1();
        DeleteSetting(key);
        QCOMPARE(ReadSetting(key), QStringLiteral("n/a"));
        WriteFlag(key, true);
        QCOMPARE(Setting(stored.constData()), QStringLiteral("y"));
        QVERIFY(FlagIsOn(key));
        WriteFlag(key, false);
        QCOMPARE(Setting(stored.constData()), QString());
        QVERIFY(!FlagIsOn(key));
        WriteSetting(key, QStringLiteral("Y"));
        QVERIFY(!FlagIsOn(key));  // only a lower-case y is on
        DeleteSetting(key);
        QCOMPARE(Setting(stored.constData()), QStringLiteral("n/a"));
        QCOMPARE(ReadText(key), QString());
    }
};

QTEST_GUILESS_MAIN(TestSettingKeys)
#include "tst_setting_keys.moc"
