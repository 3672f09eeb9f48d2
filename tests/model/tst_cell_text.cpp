#include <QTest>
#include <limits>

#include "model/cell_text.h"
#include "model/todo_strings.h"

namespace {

// The contexts of the places that show cell texts, by name.
TCellTextContext Context(const QString& name) {
    TCellTextContext context;
    if (name != QLatin1String("bare")) {
        context.StatusText = [](TTodoStatus status) { return TStatusStrings().GetString(status); };
        context.PriorityText = [](TTodoPriority priority) {
            return TPriorityStrings().GetString(priority);
        };
    }
    if (name == QLatin1String("hints")) {
        context.Completion = TCompletionText::Number;
        context.Notes = TNotesText::AllLines;
    } else if (name == QLatin1String("bar and preview")) {
        context.Completion = TCompletionText::None;
        context.Notes = TNotesText::None;
    } else if (name == QLatin1String("table")) {
        context.CheckTexts = true;
        context.ImageIndexTexts = true;
    }
    return context;
}

}  // namespace

class TestCellText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cellText_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("context");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, TTodoData kind, const char* context, bool complete,
                      const char* expected) {
            QTest::newRow(name) << int(kind) << QString::fromLatin1(context) << complete
                                << QString::fromUtf8(expected);
        };
        row("subject", tdSubject, "rows", false, "Call B\xC3\xB6rje");
        row("resource", tdResource, "table", false, "Anna");
        row("project", tdProject, "hints", false, "Home");
        row("notes: first line", tdNotes, "rows", false, "first");
        row("notes: all lines", tdNotes, "hints", false, "first\r\nsecond\r\n");
        row("notes: in the preview band", tdNotes, "bar and preview", false, "");
        row("completion", tdCompletion, "rows", false, "40%");
        row("completion of a completed item", tdCompletion, "table", true, "100%");
        row("completion: the stored number", tdCompletion, "hints", true, "40");
        row("completion: a bar", tdCompletion, "bar and preview", false, "");
        row("priority", tdPriority, "rows", false, "High");
        row("priority without texts", tdPriority, "bare", false, "");
        row("status", tdStatus, "hints", false, "In progress");
        row("status without texts", tdStatus, "bare", false, "");
        row("due date", tdDueDate, "rows", false, "03/5/2024");
        row("completion date 0", tdCompletionDate, "table", false, "12/30/1899");
        row("creation date that is no date", tdCreationDate, "rows", false, "");
        row("total time", tdTotalTime, "table", false, "7h");
        row("image drawn", tdImage, "rows", false, "");
        row("image index", tdImage, "table", false, "3");
        row("done check drawn", tdComplete, "rows", true, "");
        row("done check: done", tdComplete, "table", true, "[x]");
        row("done check: open", tdComplete, "table", false, "[ ]");
        row("handle", tdHandle, "table", false, "");
        row("kind out of range", TTodoData(TodoDataCount), "table", false, "");
    }
    void cellText() {
        QFETCH(int, kind);
        QFETCH(QString, context);
        QFETCH(bool, complete);
        QFETCH(QString, expected);
        TTodoItem item(nullptr);
        item.SetSubject("Call B\xC3\xB6rje");
        item.SetResource("Anna");
        item.SetProject("Home");
        item.SetNotes(TStringList{"first", "second"});
        item.SetCompletion(40);
        item.SetComplete(complete);
        item.SetPriority(tpHigh);
        item.SetStatus(tsInProgress);
        item.SetDueDate(EncodeDateTime(QDate(2024, 3, 5), QTime(9, 30)));
        item.SetCreationDate(std::numeric_limits<double>::quiet_NaN());
        item.SetTotalTime(7);
        item.SetImageIndex(3);
        QCOMPARE(CellText(item, TTodoData(kind), Context(context)), expected);
    }
};

QTEST_GUILESS_MAIN(TestCellText)
#include "tst_cell_text.moc"
