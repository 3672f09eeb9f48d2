#include "platform/dialog_service.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>

#include "platform/qt_convert.h"

QStringList QtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    // A description without its pattern at the end is dropped.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        result << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

namespace {

bool RunFileDialog(TFileDialogOptions& options, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), options.Title);
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    QString suffix = options.DefaultExt;
    if (suffix.startsWith(QLatin1Char('.'))) {
        suffix.remove(0, 1);
    }
    dialog.setDefaultSuffix(suffix);
    const QStringList filters = QtNameFilters(options.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = options.FilterIndex >= 1 && options.FilterIndex <= filters.size()
                              ? options.FilterIndex - 1
                              : 0;
        dialog.selectNameFilter(filters[index]);
    }
    if (!options.InitialDir.isEmpty()) {
        dialog.setDirectory(options.InitialDir);
    } else if (!options.FileName.isEmpty()) {
        dialog.setDirectory(QFileInfo(options.FileName).absolutePath());
    }
    if (!options.FileName.isEmpty()) {
        dialog.selectFile(QFileInfo(options.FileName).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    options.FileName = dialog.selectedFiles().constFirst();
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0) {
        options.FilterIndex = int(chosen) + 1;
    }
    return true;
}

}  // namespace

bool TQtDialogService::OpenFile(TFileDialogOptions& options) {
    return RunFileDialog(options, QFileDialog::AcceptOpen);
}

bool TQtDialogService::SaveFile(TFileDialogOptions& options) {
    return RunFileDialog(options, QFileDialog::AcceptSave);
}

bool TQtDialogService::SelectFont(TFont& font) {
    QFontDialog dialog(ToQFont(font, QApplication::font()), QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    font = FromQFont(dialog.selectedFont(), font.Color);
    return true;
}
