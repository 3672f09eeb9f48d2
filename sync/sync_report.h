#pragma once

// What a sync did, as the command line and the window report it.

#include <QString>
#include <QStringList>

struct TSyncReport {
    int LocalAdded = 0, LocalChanged = 0, LocalDeleted = 0;
    int ServerAdded = 0, ServerChanged = 0, ServerDeleted = 0;
    int Conflicts = 0;
    int Items = 0;       // in the list afterwards
    int Downloaded = 0;  // task bodies received
    int Uploaded = 0;    // tasks sent (PUT), one VCALENDAR of many counting each
    // One line per change, "server: add 'Buy milk'", in the order of the list.
    QStringList Changes;
};

// "here 1 added, 0 changed, 0 deleted; on the server 2 added, 0 changed, 0 deleted; 0
// conflict(s)": the counts of a report, as pellmark-cli and the window show them.
QString CountsText(const TSyncReport& report);
