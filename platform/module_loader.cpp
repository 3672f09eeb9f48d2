#include "platform/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

#include "model/errors.h"

namespace {

QStringList ModuleFolders() {
    QStringList folders;
    const QString program = QCoreApplication::applicationDirPath();
    if (!program.isEmpty()) {
        folders << QDir(program).filePath(QStringLiteral(PELLMARK_MODULE_INSTALL_RELATIVE));
    }
    folders << QStringLiteral(PELLMARK_MODULE_BUILD_DIR);
    return folders;
}

}  // namespace

void* ResolveModuleSymbol(const char* name, const char* symbol) {
    const QString file = QStringLiteral("lib") + QString::fromLatin1(name) + QStringLiteral(".so");
    QString reason = QStringLiteral("not found");
    for (const QString& folder : ModuleFolders()) {
        const QString path = QDir(folder).filePath(file);
        if (!QFileInfo::exists(path)) {
            continue;
        }
        // Never unloaded: objects and callbacks of the module live as long as the program.
        QLibrary library(path);
        if (!library.load()) {
            reason = library.errorString();
            continue;
        }
        if (QFunctionPointer address = library.resolve(symbol)) {
            return reinterpret_cast<void*>(address);
        }
        reason = library.errorString();
    }
    throw EPellmarkError(QStringLiteral("Cannot load the module ") + file + QStringLiteral(": ") +
                         reason);
}
