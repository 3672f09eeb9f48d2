#include "cli/help_text.h"

#include <array>

#ifndef PELLMARK_VERSION
#define PELLMARK_VERSION "unknown"
#endif

namespace {

struct CommandText {
    std::string_view name;
    std::string_view usage;
    std::string_view body;
};

constexpr std::string_view kKinds =
    "KIND is a column data kind: subject, completion, notes, priority, duedate,\n"
    "status, image, complete, totaltime, completiondate, creationdate, resource,\n"
    "handle or project. Case and blanks do not matter, and the value names\n"
    "(tdSubject) and the window's captions (Done, Create Date) work too.\n";

const std::array<CommandText, 9> kCommands = {{
    {"check", "pellmark-cli check FILE",
     "Read the to-do list FILE and print how many items it holds.\n"
     "\n"
     "A damaged file (one that ends before its records do, or holds counts that\n"
     "cannot be true) is reported with the byte offset where reading stopped, and\n"
     "the exit status is 1.\n"
     "\n"
     "Options:\n"
     "  -h, --help             display this help and exit\n"},
    {"show", "pellmark-cli show FILE [--sort KIND] [--desc] [--columns KIND,...]",
     "Print the items of the to-do list FILE as an aligned table.\n"
     "\n"
     "The first column is the item's index, counted from 0, which 'done' and\n"
     "'remove' take. Dates show as MM/d/yyyy, the completion as a percentage\n"
     "(100% for a complete item), status and priority by their display texts.\n"
     "\n"
     "Options:\n"
     "      --sort KIND        order the rows by the data of KIND, exactly as\n"
     "                         the window orders them after a click on the header\n"
     "                         of such a column\n"
     "      --desc             sort in descending order (with --sort)\n"
     "      --columns KIND,... the columns to show, in this order (default:\n"
     "                         complete,subject,resource,status,priority,\n"
     "                         completion,duedate)\n"
     "  -h, --help             display this help and exit\n"
     "\n"},
    {"export", "pellmark-cli export FILE [--format json|csv|ics]",
     "Write the items of the to-do list FILE to standard output.\n"
     "\n"
     "JSON (the default) is {\"items\": [...]} with one object per item whose keys\n"
     "are the property names Complete, Completion, CompletionDate, CreationDate,\n"
     "DueDate, ImageIndex, Notes, Priority, Resource, Status, Subject, Tag,\n"
     "TotalTime and Project. Dates are day numbers counted from 30 December 1899,\n"
     "Notes an array of lines, Priority and Status value names such as tpNormal\n"
     "and tsInProgress. A text whose bytes are not valid in the system code page\n"
     "is written as {\"bytes\": \"...\"}, one character U+0000 to U+00FF per byte.\n"
     "\n"
     "CSV has a header row of the same names, fields quoted as RFC 4180 asks, and\n"
     "dates as ISO 8601 local date-times (2024-05-01T09:30:00), empty when never\n"
     "set. JSON and CSV read back with 'import' to a byte-identical list.\n"
     "\n"
     "iCalendar (ics) holds one VTODO per item for calendar programs: SUMMARY,\n"
     "DESCRIPTION, PRIORITY, STATUS, PERCENT-COMPLETE, CREATED, DUE, COMPLETED and\n"
     "CATEGORIES, and X-PELLMARK-... properties for what those cannot hold exactly\n"
     "(the resource, say), so that it reads back to a byte-identical list too.\n"
     "\n"
     "Options:\n"
     "      --format FORMAT    json, csv or ics (default: json)\n"
     "  -h, --help             display this help and exit\n"},
    {"import", "pellmark-cli import INPUT -o OUT [--format json|csv|ics]",
     "Make the to-do list OUT from the JSON, CSV or iCalendar file INPUT.\n"
     "\n"
     "The format follows from the name of INPUT (.json, .csv or .ics) unless\n"
     "--format gives it; INPUT - reads standard input and needs --format. JSON and\n"
     "CSV have the form 'export' writes; a property left out takes the value of a\n"
     "new item. Dates may also be written as 2024-05-01 or 2024-05-01T09:30:00.\n"
     "\n"
     "From iCalendar every VTODO becomes an item, also from other calendar\n"
     "programs: SUMMARY is the subject, DESCRIPTION the notes, PRIORITY 1-2\n"
     "Highest, 3-4 High, 5 or none Normal, 6-7 Low, 8-9 Lowest, STATUS\n"
     "NEEDS-ACTION, IN-PROCESS, COMPLETED, CANCELLED Not started, In progress,\n"
     "Completed (and done), Deferred, PERCENT-COMPLETE the completion, COMPLETED\n"
     "the completion date, CATEGORIES the project. Dates in UTC or with a TZID\n"
     "become local times; a date alone is midnight. X-PELLMARK-... properties, as\n"
     "'export' writes them, give the exact values. VEVENT, VJOURNAL, VFREEBUSY,\n"
     "VALARM and RRULE are skipped with a warning on standard error.\n"
     "\n"
     "Bad input is reported with the item and property at fault (for iCalendar,\n"
     "the line) and OUT is not touched. OUT is replaced as a whole, so a failure\n"
     "never leaves half a file. The input is read one item at a time; JSON nested\n"
     "deeper than 64 levels and a token or CSV field longer than 4 MiB are refused.\n"
     "\n"
     "Options:\n"
     "  -o, --output OUT       the .2do file to write (required)\n"
     "      --format FORMAT    json, csv or ics\n"
     "  -h, --help             display this help and exit\n"},
    {"columns", "pellmark-cli columns FILE",
     "Print the columns of the column layout file FILE (columninfo.txt): width in\n"
     "pixels, caption and data kind.\n"
     "\n"
     "Options:\n"
     "  -h, --help             display this help and exit\n"},
    {"add",
     "pellmark-cli add FILE --subject TEXT [--resource TEXT] [--notes TEXT]\n"
     "       [--priority NAME] [--status NAME] [--due YYYY-MM-DD] [--project TEXT]",
     "Append an item to the to-do list FILE, or make a new list with it when FILE\n"
     "does not exist, and print its index.\n"
     "\n"
     "The item starts as the window's Create Item makes one: notes None, priority\n"
     "Normal, resource Unassigned, created now and due 60 days from now. The\n"
     "options then set their fields.\n"
     "\n"
     "Options:\n"
     "      --subject TEXT     what is to be done (required)\n"
     "      --resource TEXT    who does it\n"
     "      --notes TEXT       the notes; line breaks in TEXT separate lines\n"
     "      --priority NAME    lowest, low, normal, high or highest\n"
     "      --status NAME      \"not started\", completed, \"in progress\" or\n"
     "                         deferred (tsNotStarted and so on work too)\n"
     "      --due DATE         the due date, YYYY-MM-DD or YYYY-MM-DDTHH:MM\n"
     "      --project TEXT     the project\n"
     "  -h, --help             display this help and exit\n"},
    {"done", "pellmark-cli done FILE INDEX",
     "Mark item INDEX of the to-do list FILE complete: Complete is set, the\n"
     "completion becomes 100% and the completion date now. INDEX counts from 0, as\n"
     "'show' numbers the rows.\n"
     "\n"
     "Options:\n"
     "  -h, --help             display this help and exit\n"},
    {"sync", "pellmark-cli sync FILE --url URL [--user NAME] [--dry-run] [--insecure]",
     "Synchronize the to-do list FILE both ways with the CalDAV task collection\n"
     "URL (Radicale, Xandikos, Nextcloud and other CalDAV servers), so that the\n"
     "same list can be kept on several computers and in any program that reads\n"
     "CalDAV tasks. FILE is made when it does not exist yet.\n"
     "\n"
     "Each item is a task on the server. A field changed on one side takes that\n"
     "side's value. The same field changed differently on both sides keeps the\n"
     "value of FILE and adds the server's version as a second item whose subject\n"
     "ends in \" (conflict)\". An item deleted on one side and unchanged on the\n"
     "other is deleted on both; deleted on one side and changed on the other, it\n"
     "is kept. Properties that Pellmark has no field for stay on the server as\n"
     "they are.\n"
     "\n"
     "What was synchronized is kept beside the list in .FILE.sync; without it\n"
     "the first sync uploads every item. A sync that is cut off leaves the list\n"
     "and the server consistent, and the next sync completes it.\n"
     "\n"
     "The password is never given on the command line: it is taken from the\n"
     "environment variable PELLMARK_PASSWORD, else from ~/.netrc (machine HOST\n"
     "login NAME password SECRET, or a default entry; it may also give the user),\n"
     "else from the desktop's keyring (service Pellmark, key NAME@HOST).\n"
     "\n"
     "Options:\n"
     "      --url URL          the collection, http:// or https://\n"
     "      --user NAME        the user name on the server\n"
     "      --dry-run          print what would change on each side, change nothing\n"
     "      --insecure         accept a certificate the system does not trust\n"
     "  -h, --help             display this help and exit\n"
     "\n"
     "Exit status: 0 synchronized, 1 the sync failed (the message names the\n"
     "server's answer), 2 wrong usage.\n"},
    {"remove", "pellmark-cli remove FILE INDEX",
     "Delete item INDEX from the to-do list FILE. INDEX counts from 0, as 'show'\n"
     "numbers the rows; the items behind it move up one place.\n"
     "\n"
     "Options:\n"
     "  -h, --help             display this help and exit\n"},
}};

const CommandText* Find(std::string_view name) {
    for (const CommandText& command : kCommands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

std::string ToolHelp() {
    return "Usage: pellmark-cli COMMAND [OPTION]... [ARGUMENT]...\n"
           "Read and change Pellmark to-do lists (.2do files) from a terminal or a script.\n"
           "\n"
           "Commands:\n"
           "  check FILE                print how many items the list holds\n"
           "  show FILE                 print the items as a table, optionally sorted\n"
           "  export FILE               write the items as JSON, CSV or iCalendar\n"
           "  import INPUT -o OUT       make a list from a JSON, CSV or iCalendar file\n"
           "  columns FILE              print the columns of a column layout file\n"
           "  add FILE --subject TEXT   append an item\n"
           "  done FILE INDEX           mark an item complete\n"
           "  remove FILE INDEX         delete an item\n"
           "  sync FILE --url URL       synchronize the list with a CalDAV server\n"
           "  help [COMMAND]            display this help or the help of a command\n"
           "\n"
           "Options:\n"
           "  -h, --help                display this help and exit\n"
           "      --version             output version information and exit\n"
           "\n"
           "Run 'pellmark-cli COMMAND --help' for the options of a command.\n"
           "\n"
           "Items are numbered from 0 in the order of the file, as 'show' numbers them.\n"
           "Every change is saved the way the window saves: the new list is written to a\n"
           "temporary file beside the old one and then put in its place, so a failure\n"
           "leaves the old list as it was.\n"
           "\n"
           "Open lists:\n"
           "While a list is open in the Pellmark window, the commands that change it\n"
           "(add, done, remove, sync, and import writing to it) refuse with \"FILE is open in\n"
           "Pellmark\" and exit status 1. Commands that only read work on any list.\n"
           "\n"
           "Exit status:\n"
           "  0      success\n"
           "  1      bad input, a damaged or unreadable file, or a list open in Pellmark\n"
           "  2      wrong usage: unknown command or option, missing argument\n"
           "\n"
           "Examples:\n"
           "  pellmark-cli show todo.2do --sort duedate\n"
           "  pellmark-cli add todo.2do --subject \"Buy milk\" --priority high\n"
           "  pellmark-cli export todo.2do --format csv > todo.csv\n"
           "  pellmark-cli import todo.csv -o todo.2do\n"
           "  pellmark-cli import tasks.ics -o tasks.2do\n";
}

std::string CommandHelp(std::string_view command) {
    const CommandText* text = Find(command);
    if (!text) {
        return {};
    }
    std::string help = "Usage: " + std::string(text->usage) + "\n" + std::string(text->body);
    if (command == "show") {
        help += kKinds;
    }
    return help;
}

std::string CommandUsage(std::string_view command) {
    const CommandText* text = Find(command);
    return text ? "Usage: " + std::string(text->usage) : std::string();
}

std::string VersionText() {
    return "pellmark-cli (Pellmark) " PELLMARK_VERSION "\n";
}
