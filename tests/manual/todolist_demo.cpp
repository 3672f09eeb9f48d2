// A window with the to-do list control and a few hundred items, for looking at its
// painting by eye. Options:
//   --items N          number of items (300)
//   --preview          notes preview band (32 pixels)
//   --grid             grid lines
//   --sort COLUMN      sort by that column (ascending; with --descending descending)
//   --select ROW       select that row
//   --size WxH         window size (900x480)
//   --screenshot FILE  save a picture of the window to FILE and quit

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

#include "manual/sample_list.h"
#include "todolist/todo_list.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("todolist_demo"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption items(QStringLiteral("items"), QStringLiteral("Items"),
                                   QStringLiteral("N"), QStringLiteral("300"));
    const QCommandLineOption preview(QStringLiteral("preview"), QStringLiteral("Preview"));
    const QCommandLineOption grid(QStringLiteral("grid"), QStringLiteral("Grid lines"));
    const QCommandLineOption sort(QStringLiteral("sort"), QStringLiteral("Sort column"),
                                  QStringLiteral("COLUMN"));
    const QCommandLineOption descending(QStringLiteral("descending"),
                                        QStringLiteral("Sort descending"));
    const QCommandLineOption select(QStringLiteral("select"), QStringLiteral("Selected row"),
                                    QStringLiteral("ROW"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Window size"),
                                  QStringLiteral("WxH"), QStringLiteral("900x480"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture and quit"),
                                        QStringLiteral("FILE"));
    parser.addOptions({items, preview, grid, sort, descending, select, size, screenshot});
    parser.process(app);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Pellmark to-do list"));
    auto* layout = new QVBoxLayout(&window);  // owned by the window
    layout->setContentsMargins(8, 8, 8, 8);
    auto* list = new TTodoList(&window);  // owned by the window
    layout->addWidget(list);

    list->SetDateFormat(QStringLiteral("MM/d/yyyy"));
    list->SetHeaderDragDrop(true);
    AddSampleColumns(*list);
    AddSampleItems(*list, parser.value(items).toInt());
    if (parser.isSet(preview)) {
        list->SetPreviewHeight(32);
        list->SetPreview(true);
    }
    list->SetGridLines(parser.isSet(grid));
    if (parser.isSet(sort)) {
        list->SetSortColumn(parser.value(sort).toInt());
        list->SetSortDirection(parser.isSet(descending) ? sdDescending : sdAscending);
        list->SetSorted(true);
    }
    if (parser.isSet(select)) {
        list->ListBox()->SetItemIndex(parser.value(select).toInt());
    }

    const QStringList wh = parser.value(size).split(QLatin1Char('x'));
    window.resize(wh.value(0).toInt(), wh.value(1).toInt());
    window.show();
    list->ListBox()->setFocus();

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(300, &window, [&window, file] {
            const bool saved = window.grab().save(file);
            if (!saved) {
                std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
            }
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
