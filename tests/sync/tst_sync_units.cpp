// The sync's pure parts: WebDAV answers, .netrc entries, the sidecar, which sidecar entry
// each item is, and the three-way merge of one item.

#include <QTemporaryDir>
#include <QTest>

#include "model/todo_collections.h"
#include "model/todo_file.h"
#include "sync/credentials.h"
#include "sync/dav_xml.h"
#include "sync/field_merge.h"
#include "sync/item_matching.h"
#include "sync/sync_errors.h"
#include "sync/sync_state.h"

namespace {

QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EPellmarkError& error) {
        return error.Message();
    }
    return {};
}

// An item from "subject|priority|created|notes" (missing parts keep the new-item values).
void SetItem(TTodoItem& item, const QString& fields) {
    const QStringList parts = fields.split(QLatin1Char('|'));
    item.SetSubject(parts.value(0).toStdString());
    if (parts.size() > 1 && !parts[1].isEmpty()) {
        item.SetPriority(TTodoPriority(parts[1].toInt()));
    }
    if (parts.size() > 2 && !parts[2].isEmpty()) {
        item.SetCreationDate(parts[2].toDouble());
    }
    if (parts.size() > 3) {
        item.Notes().SetText(parts[3].toStdString());
    }
}

}  // namespace

class TestSyncUnits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void multiStatus_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("expected");  // a summary of what was read, or the error
        QTest::newRow("collection")
            << QByteArray(
                   "<?xml version='1.0'?><d:multistatus xmlns:d='DAV:' "
                   "xmlns:c='urn:ietf:params:xml:ns:caldav' "
                   "xmlns:cs='http://calendarserver.org/ns/'>"
                   "<d:response><d:href>/u/my%20tasks/</d:href><d:propstat><d:prop>"
                   "<d:resourcetype><d:collection/><c:calendar/></d:resourcetype>"
                   "<c:supported-calendar-component-set><c:comp name='VTODO'/><c:comp "
                   "name='vevent'/>"
                   "</c:supported-calendar-component-set><cs:getctag>\"7\"</cs:getctag>"
                   "<d:supported-report-set><d:supported-report><d:report><d:sync-collection/>"
                   "</d:report></d:supported-report></d:supported-report-set></d:prop>"
                   "<d:status>HTTP/1.1 200 "
                   "OK</d:status></d:propstat><d:propstat><d:prop><d:displayname/>"
                   "</d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat></d:response>"
                   "</d:multistatus>")
            << "/u/my tasks/ collection calendar VTODO,VEVENT "
               "ctag \"7\" reports sync-collection";
        QTest::newRow("members and token")
            << QByteArray(
                   "<multistatus xmlns='DAV:'><sync-token>http://t/2</sync-token>"
                   "<response><href>http://h:1/u/a.ics</href><propstat><prop>"
                   "<getetag>\"e1\"</getetag></prop><status>HTTP/1.1 200 OK</status>"
                   "</propstat></response><response><href>/u/b.ics</href>"
                   "<status>HTTP/1.1 404 Not Found</status></response></multistatus>")
            << "/u/a.ics etag \"e1\"; /u/b.ics status 404; token http://t/2";
        QTest::newRow("calendar data")
            << QByteArray(
                   "<D:multistatus xmlns:D='DAV:' "
                   "xmlns:C='urn:ietf:params:xml:ns:caldav'><D:response>"
                   "<D:href>/u/a.ics</"
                   "D:href><D:propstat><D:prop><C:calendar-data>BEGIN:VCALENDAR&#13;\n"
                   "END:VCALENDAR</C:calendar-data></D:prop><D:status>HTTP/1.1 200 OK</D:status>"
                   "</D:propstat></D:response></D:multistatus>")
            << "/u/a.ics data 30";
        QTest::newRow("garbage") << QByteArray("Internal error")
                                 << "the server's answer is not valid WebDAV XML: line 1: "
                                    "Start tag expected.";
        QTest::newRow("cut off") << QByteArray("<multistatus xmlns='DAV:'>\n<response><href>/a")
                                 << "the server's answer is not valid WebDAV XML: line 2: "
                                    "Premature end of document.";
        QTest::newRow("not multistatus")
            << QByteArray("<error xmlns='DAV:'><valid-sync-token/></error>")
            << "the server's answer is not valid WebDAV XML: line 1: the root element is <error>, "
               "not a DAV multistatus";
        QTest::newRow("unclosed tag")
            << QByteArray("<multistatus xmlns='DAV:'><response><href>/a</href></multistatus>")
            << "the server's answer is not valid WebDAV XML: line 1: "
               "Opening and ending tag mismatch.";
        QTest::newRow("no href")
            << QByteArray(
                   "<multistatus xmlns='DAV:'><response><status>HTTP/1.1 200 OK</status></response>"
                   "</multistatus>")
            << "the server's answer is not valid WebDAV XML: line 1: a response "
               "without href";
    }
    void multiStatus() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, expected);
        QStringList summary;
        const QString error = ErrorOf([&] {
            const TMultiStatus status = ParseMultiStatus(xml);
            for (const TDavResource& r : status.Responses) {
                QString line = r.Href;
                if (r.Status) {
                    line += QStringLiteral(" status %1").arg(r.Status);
                }
                if (r.IsCollection) {
                    line += QStringLiteral(" collection");
                }
                if (r.IsCalendar) {
                    line += QStringLiteral(" calendar");
                }
                if (r.Components) {
                    line += QLatin1Char(' ') + r.Components->join(QLatin1Char(','));
                }
                if (!r.CTag.isEmpty()) {
                    line += QStringLiteral(" ctag ") + QString::fromLatin1(r.CTag);
                }
                if (!r.Reports.isEmpty()) {
                    line += QStringLiteral(" reports ") + r.Reports.join(QLatin1Char(','));
                }
                if (!r.ETag.isEmpty()) {
                    line += QStringLiteral(" etag ") + QString::fromLatin1(r.ETag);
                }
                if (!r.CalendarData.isEmpty()) {
                    line += QStringLiteral(" data %1").arg(r.CalendarData.size());
                }
                summary.append(line);
            }
            if (!status.SyncToken.isEmpty()) {
                summary.append(QStringLiteral("token ") + QString::fromLatin1(status.SyncToken));
            }
        });
        QCOMPARE(error.isEmpty() ? summary.join(QStringLiteral("; ")) : error, expected);
    }

    void requestBodiesReadBack() {
        // What the bodies name goes through XML escaping: a token and a path with & and <.
        const QByteArray body = SyncCollectionBody("http://t/<1>&2");
        QVERIFY2(body.contains("http://t/&lt;1&gt;&amp;2"), body.constData());
        const QByteArray get = MultigetBody({QStringLiteral("/u/a b&c.ics")});
        QVERIFY2(get.contains("<D:href>/u/a%20b&amp;c.ics</D:href>"), get.constData());
        QCOMPARE(HrefPath("/u/a%20b&c.ics"), QStringLiteral("/u/a b&c.ics"));
    }

    void netrc_data() {
        QTest::addColumn<QByteArray>("netrc");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("expected");  // login:password, or empty for none
        const QByteArray two =
            "machine other login o password p\n"
            "machine dav.example.org login alice password \"se cret\"\n"
            "machine DAV.example.org login bob password b2\n";
        QTest::newRow("by host") << two << ""
                                 << "alice:se cret";
        QTest::newRow("by host and user") << two << "bob"
                                          << "bob:b2";
        QTest::newRow("no such user") << two << "carol"
                                      << "";
        QTest::newRow("default") << QByteArray(
                                        "machine x login a password b default login d password e")
                                 << ""
                                 << "d:e";
        QTest::newRow("one line, macdef skipped")
            << QByteArray(
                   "macdef init\nmachine dav.example.org password no\n\n"
                   "machine dav.example.org login z password zz")
            << ""
            << "z:zz";
        QTest::newRow("comment") << QByteArray("# machine dav.example.org login c password c\n")
                                 << ""
                                 << "";
        QTest::newRow("empty") << QByteArray() << ""
                               << "";
    }
    void netrc() {
        QFETCH(QByteArray, netrc);
        QFETCH(QString, user);
        QFETCH(QString, expected);
        const auto entry = FindNetrcEntry(netrc, QStringLiteral("dav.example.org"), user);
        QCOMPARE(entry ? entry->Login + QLatin1Char(':') + entry->Password : QString(), expected);
    }

    void stateRoundTripAndDamage() {
        QTemporaryDir dir;
        const QString list = dir.filePath(QStringLiteral("todo.2do"));
        QCOMPARE(SyncStateFileName(list), dir.filePath(QStringLiteral(".todo.2do.sync")));
        const QString file = SyncStateFileName(list);
        QVERIFY(ReadSyncState(file).Entries.empty());  // none yet: a first sync

        TTodoItem item(nullptr);
        item.SetSubject(std::string("Caf\xe9", 4));
        TSyncState state;
        state.Collection = QStringLiteral("http://h/u/t/");
        state.CTag = "\"c\"";
        state.SyncToken = "http://t/1";
        TSyncEntry entry{QStringLiteral("u1"), QStringLiteral("/u/t/u1.ics"), "\"e\"", {}};
        AppendItemRecord(entry.Base, item);
        entry.NotInList = true;
        state.Entries.push_back(entry);
        state.Ignored.push_back({QStringLiteral("/u/t/event.ics"), "\"x\""});
        WriteSyncState(file, state);
        const TSyncState back = ReadSyncState(file);
        QCOMPARE(SyncStateToJson(back), SyncStateToJson(state));
        QCOMPARE(back.Entries.at(0).Base, entry.Base);
        QVERIFY(back.Entries.at(0).NotInList && !back.Entries.at(0).NotOnServer);

        for (const QByteArray& damaged :
             {QByteArray("{\"version\":1,"), QByteArray("[]"),
              QByteArray(
                  "{\"version\":1,\"items\":[{\"uid\":\"u\",\"href\":\"/h\",\"base\":\"*\"}]}")}) {
            const QString error = ErrorOf([&] { SyncStateFromJson(damaged, file); });
            QVERIFY2(error.startsWith(QStringLiteral("the sync state ") + file +
                                      QStringLiteral(" is damaged (")),
                     qPrintable(error));
            QVERIFY(error.endsWith(QStringLiteral("remove it to sync the list afresh")));
        }
    }

    void matching_data() {
        // Items as "subject|priority|created|notes", ';' between items. The entries are the
        // items as last synced; `expected` is each item's entry, '-' for new.
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("items");
        QTest::addColumn<QString>("expected");
        const QString three = QStringLiteral("A|1|1.5;B|1|2.5;C|1|3.5");
        QTest::newRow("unchanged") << three << three << "0 1 2";
        QTest::newRow("sorted") << three << "C|1|3.5;A|1|1.5;B|1|2.5"
                                << "2 0 1";
        QTest::newRow("edited subject") << three << "A|1|1.5;B2|1|2.5;C|1|3.5"
                                        << "0 1 2";
        QTest::newRow("edited every field but the creation date")
            << three << "A|1|1.5;X|4|2.5|new notes;C|1|3.5"
            << "0 1 2";
        QTest::newRow("edited creation date") << three << "A|1|1.5;B|1|9.5;C|1|3.5"
                                              << "0 1 2";
        QTest::newRow("created") << three << "A|1|1.5;B|1|2.5;N|1|4.5;C|1|3.5"
                                 << "0 1 - 2";
        QTest::newRow("deleted") << three << "A|1|1.5;C|1|3.5"
                                 << "0 2";
        QTest::newRow("duplicated") << three << "A|1|1.5;A|1|1.5;B|1|2.5;C|1|3.5"
                                    << "0 - 1 2";
        QTest::newRow("duplicate edited") << three << "A|1|1.5;A2|1|1.5;B|1|2.5;C|1|3.5"
                                          << "0 - 1 2";
        QTest::newRow("same subjects by position") << "T|1|0;T|2|0;T|3|0"
                                                   << "T|4|0;T|5|0"
                                                   << "0 1";
        QTest::newRow("no creation date tells nothing") << "A|1|0;B|1|0"
                                                        << "C|1|0;B|2|0"
                                                        << "- 1";
    }
    void matching() {
        QFETCH(QString, entries);
        QFETCH(QString, items);
        QFETCH(QString, expected);
        const auto keys = [](const QString& itemList) {
            std::vector<TMatchKey> out;
            for (const QString& fields : itemList.split(QLatin1Char(';'))) {
                TTodoItem item(nullptr);
                SetItem(item, fields);
                out.push_back(MatchKeyOf(item));
            }
            return out;
        };
        const TItemMatch match = MatchItems(keys(items), keys(entries));
        QStringList got;
        for (const int e : match.EntryOfItem) {
            got.append(e < 0 ? QStringLiteral("-") : QString::number(e));
        }
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    void merge_data() {
        // base, local, remote as "subject|priority|created|notes"; the merged item and the
        // conflicting fields' names.
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("remote");
        QTest::addColumn<QString>("merged");
        QTest::addColumn<int>("conflicts");
        const QString b = QStringLiteral("S|2|1.5|n");
        QTest::newRow("nothing changed") << b << b << b << b << 0;
        QTest::newRow("local only") << b << "L|2|1.5|n" << b << "L|2|1.5|n" << 0;
        QTest::newRow("remote only") << b << b << "R|2|1.5|n"
                                     << "R|2|1.5|n" << 0;
        QTest::newRow("different fields") << b << "L|2|1.5|n"
                                          << "S|4|1.5|m"
                                          << "L|4|1.5|m" << 0;
        QTest::newRow("same field, same value") << b << "X|2|1.5|n"
                                                << "X|2|1.5|n"
                                                << "X|2|1.5|n" << 0;
        QTest::newRow("same field, different values") << b << "L|2|1.5|n"
                                                      << "R|2|1.5|n"
                                                      << "L|2|1.5|n" << int(tfSubject);
        QTest::newRow("conflict and a remote change") << b << "L|3|1.5|n"
                                                      << "R|2|1.5|m"
                                                      << "L|3|1.5|m" << int(tfSubject);
        QTest::newRow("two conflicts") << b << "L|3|1.5|n"
                                       << "R|4|1.5|n"
                                       << "L|3|1.5|n" << int(tfSubject | tfPriority);
        QTest::newRow("changed back locally") << "S|2|1.5|n"
                                              << "S|2|1.5|n"
                                              << "S|2|1.5|n|"
                                              << "S|2|1.5|n" << 0;
    }
    void merge() {
        QFETCH(QString, base);
        QFETCH(QString, local);
        QFETCH(QString, remote);
        QFETCH(QString, merged);
        QFETCH(int, conflicts);
        TTodoItem b(nullptr), l(nullptr), r(nullptr), m(nullptr), expected(nullptr);
        SetItem(b, base);
        SetItem(l, local);
        SetItem(r, remote);
        SetItem(expected, merged);
        // The server carries these values exactly, so each is its own server form.
        const TFieldMerge result = MergeFields(b, b, l, l, r, m);
        QCOMPARE(DifferingFields(m, expected), TTodoFields(0));
        QCOMPARE(int(result.Conflicts), conflicts);
        QCOMPARE(result.TakenFromRemote & result.LocalChanged, TTodoFields(0));

        TTodoItem copy(nullptr);
        MakeConflictCopy(r, copy);
        QCOMPARE(copy.Subject(), r.Subject() + " (conflict)");
        QCOMPARE(DifferingFields(copy, r), TTodoFields(tfSubject));
    }
};

QTEST_GUILESS_MAIN(TestSyncUnits)
#include "tst_sync_units.moc"
