#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "modal_answer.h"
#include "platform/dialog_service.h"

namespace {

// Types a name into the dialog's name box and presses Enter, as a user does.
void TypeAndAccept(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

TFileDialogOptions TodoOptions(const QString& folder) {
    TFileDialogOptions options;
    options.Title = QStringLiteral("Save Todolist");
    options.DefaultExt = QStringLiteral(".2do");
    options.Filter = QStringLiteral("Todolist Files|*.2do|All Files|*.*");
    options.InitialDir = folder;
    return options;
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QVERIFY(folder_.isValid());
        QFile existing(folder_.filePath(QStringLiteral("list.2do")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
    }

    void nameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("open dialog") << "Todolist files|*.2do|All files|*.*"
                                     << QStringList{QStringLiteral("Todolist files (*.2do)"),
                                                    QStringLiteral("All files (*)")};
        QTest::newRow("several patterns")
            << "Texts|*.txt;*.log|Lists|*.2do"
            << QStringList{QStringLiteral("Texts (*.txt *.log)"), QStringLiteral("Lists (*.2do)")};
        QTest::newRow("description without pattern is dropped")
            << "Lists|*.2do|Broken" << QStringList{QStringLiteral("Lists (*.2do)")};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void nameFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(QtNameFilters(filter), expected);
    }

    void openShowsTheOptionsAndAddsTheExtension() {
        TQtDialogService dialogs;
        TFileDialogOptions options = TodoOptions(folder_.path());
        options.Title = QStringLiteral("Open Todolist");
        TModalAnswer<QFileDialog> answer([](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Open Todolist"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            QCOMPARE(dialog->nameFilters(), (QStringList{QStringLiteral("Todolist Files (*.2do)"),
                                                         QStringLiteral("All Files (*)")}));
            QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("Todolist Files (*.2do)"));
            QCOMPARE(dialog->defaultSuffix(), QStringLiteral("2do"));
            TypeAndAccept(dialog, QStringLiteral("list"));
        });
        QVERIFY(dialogs.OpenFile(options));
        QVERIFY(answer.Answered());
        QCOMPARE(options.FileName, folder_.filePath(QStringLiteral("list.2do")));
        QCOMPARE(options.FilterIndex, 1);
    }

    void saveAsksNoOverwriteQuestion() {
        TQtDialogService dialogs;
        TFileDialogOptions options = TodoOptions(folder_.path());
        TModalAnswer<QFileDialog> answer([](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Save Todolist"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            TypeAndAccept(dialog, QStringLiteral("list.2do"));
        });
        // A question box would keep the dialog open until the answer gives up.
        QVERIFY(dialogs.SaveFile(options));
        QVERIFY(answer.Answered());
        QCOMPARE(options.FileName, folder_.filePath(QStringLiteral("list.2do")));
    }

    void saveAddsTheDefaultExtension() {
        TQtDialogService dialogs;
        TFileDialogOptions options = TodoOptions(folder_.path());
        TModalAnswer<QFileDialog> answer(
            [](QFileDialog* dialog) { TypeAndAccept(dialog, QStringLiteral("week")); });
        QVERIFY(dialogs.SaveFile(options));
        QCOMPARE(options.FileName, folder_.filePath(QStringLiteral("week.2do")));
    }

    void filterIndexInAndOut() {
        TQtDialogService dialogs;
        TFileDialogOptions options = TodoOptions(folder_.path());
        options.FilterIndex = 2;
        TModalAnswer<QFileDialog> answer([](QFileDialog* dialog) {
            QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("All Files (*)"));
            dialog->selectNameFilter(QStringLiteral("Todolist Files (*.2do)"));
            TypeAndAccept(dialog, QStringLiteral("other"));
        });
        QVERIFY(dialogs.SaveFile(options));
        QCOMPARE(options.FilterIndex, 1);
    }

    // Without a start folder the dialog opens where the last chosen file is, with its name.
    void cancelChangesNothing() {
        TQtDialogService dialogs;
        TFileDialogOptions options = TodoOptions(QString());
        const QString kept = folder_.filePath(QStringLiteral("list.2do"));
        options.FileName = kept;
        options.FilterIndex = 2;
        TModalAnswer<QFileDialog> answer([this](QFileDialog* dialog) {
            QCOMPARE(dialog->directory().absolutePath(), QDir(folder_.path()).absolutePath());
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            QCOMPARE(edit->text(), QStringLiteral("list.2do"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QVERIFY(!dialogs.OpenFile(options));
        QVERIFY(answer.Answered());
        QCOMPARE(options.FileName, kept);
        QCOMPARE(options.FilterIndex, 2);
    }

    void fontDialog() {
        TQtDialogService dialogs;
        TFont font;
        font.Name = QStringLiteral("DejaVu Sans");
        font.PointSize = 10;
        font.Style = fsBold;
        font.Color = clRed;
        TModalAnswer<QFontDialog> answer([](QFontDialog* dialog) {
            QCOMPARE(dialog->currentFont().family(), QStringLiteral("DejaVu Sans"));
            QVERIFY(dialog->currentFont().bold());
            QFont chosen(QStringLiteral("DejaVu Serif"), 14);
            chosen.setItalic(true);
            chosen.setUnderline(true);
            dialog->setCurrentFont(chosen);
            dialog->accept();
        });
        QVERIFY(dialogs.SelectFont(font));
        QVERIFY(answer.Answered());
        QCOMPARE(font.Name, QStringLiteral("DejaVu Serif"));
        QCOMPARE(font.PointSize, 14.0);
        QCOMPARE(font.Style, TFontStyles(fsItalic | fsUnderline));
        QCOMPARE(font.Color, clRed);  // the dialog does not choose the colour

        const TFont before = font;
        TModalAnswer<QFontDialog> cancel([](QFontDialog* dialog) { dialog->reject(); });
        QVERIFY(!dialogs.SelectFont(font));
        QVERIFY(cancel.Answered());
        QCOMPARE(font, before);
    }

private:
    QTemporaryDir folder_;
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
