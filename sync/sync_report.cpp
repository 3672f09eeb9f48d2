#include "sync/sync_report.h"

QString CountsText(const TSyncReport& report) {
    return QStringLiteral(
               "here %1 added, %2 changed, %3 deleted; on the server %4 added, %5 changed, %6 "
               "deleted; %7 conflict(s)")
        .arg(report.LocalAdded)
        .arg(report.LocalChanged)
        .arg(report.LocalDeleted)
        .arg(report.ServerAdded)
        .arg(report.ServerChanged)
        .arg(report.ServerDeleted)
        .arg(report.Conflicts);
}
