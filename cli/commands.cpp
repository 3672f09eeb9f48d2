#include "cli/commands.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <istream>
#include <iterator>
#include <limits>
#include <optional>
#include <ostream>

#include "cli/arguments.h"
#include "cli/chunked_import.h"
#include "cli/cli_errors.h"
#include "cli/csv_io.h"
#include "cli/help_text.h"
#include "cli/ical_io.h"
#include "cli/item_fields.h"
#include "cli/json_io.h"
#include "cli/ordered_batches.h"
#include "cli/sync_command.h"
#include "cli/text_table.h"
#include "model/date_time.h"
#include "model/list_lock.h"
#include "model/todo_file.h"
#include "model/todo_sort.h"

namespace {

QString FileName(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

// Shared steps -------------------------------------------------------------------------

[[noreturn]] void Fail(const QString& message) {
    throw EPellmarkError(message);
}

QString Quoted(const std::string& bytes) {
    return QLatin1Char('\'') + FileName(bytes) + QLatin1Char('\'');
}

void Write(std::ostream& out, const QByteArray& bytes) {
    out.write(bytes.constData(), std::streamsize(bytes.size()));
}

void Write(std::ostream& out, const QString& text) {
    Write(out, text.toLocal8Bit());
}

// Holds the list's lock for a changing command (model/list_lock.h tells whom it waits for).
class ChangeLock {
public:
    explicit ChangeLock(const std::string& file) { LockListForChange(lock_, FileName(file)); }

private:
    TListLock lock_;
};

int ItemIndex(const std::string& text, const TTodoItemCollection& items, const std::string& file) {
    const auto index = IntegerFromText(text, 0, std::numeric_limits<int>::max());
    if (!index) {
        Fail(Quoted(text) + QLatin1String(" is not an item index (a number from 0)"));
    }
    if (*index >= items.Count()) {
        Fail(QStringLiteral("%1 has no item %2: it holds %3 item(s), numbered from 0")
                 .arg(FileName(file))
                 .arg(*index)
                 .arg(items.Count()));
    }
    return int(*index);
}

// The import's input as it comes: the file, or standard input for "-".
class ImportInput {
public:
    ImportInput(const std::string& name, std::istream& in) : file_(FileName(name)) {
        if (name == "-") {
            read_ = ReadFromStream(in);
            return;
        }
        if (!file_.open(QIODevice::ReadOnly)) {
            throw EFOpenError::ForFile(FileName(name));
        }
        read_ = [this](char* into, std::size_t size) {
            const qint64 n = file_.read(into, qint64(size));
            if (n < 0) {
                throw EReadError(QStringLiteral("Cannot read file %1").arg(file_.fileName()));
            }
            return std::size_t(n);
        };
    }
    ImportInput(const ImportInput&) = delete;
    ImportInput& operator=(const ImportInput&) = delete;

    const TReadBytes& Read() const { return read_; }
    // Whether the input can be read again from its start: a file, not standard input or
    // a pipe.
    bool CanRewind() const { return file_.isOpen() && !file_.isSequential(); }
    bool Rewind() { return file_.seek(0); }
    // The file's size; 0 for standard input.
    std::uint64_t Size() const { return file_.isOpen() ? std::uint64_t(file_.size()) : 0; }

private:
    QFile file_;
    TReadBytes read_;
};

// The commands ---------------------------------------------------------------------------

int Check(const std::vector<std::string>& args, std::ostream& out) {
    TCommandArguments a("check", args, {});
    if (a.Help()) {
        out << CommandHelp("check");
        return ecSuccess;
    }
    a.Expect({"FILE"});
    int count = 0;
    ForEachItemInFile(
        FileName(a.Positional()[0]), [&count](int n) { count = n; }, [](TTodoItem&) {});
    out << count << (count == 1 ? " item\n" : " items\n");
    return ecSuccess;
}

int Export(const std::vector<std::string>& args, std::ostream& out) {
    TCommandArguments a("export", args, {{"format", true}});
    if (a.Help()) {
        out << CommandHelp("export");
        return ecSuccess;
    }
    a.Expect({"FILE"});
    const std::string format = a.Value("format").value_or("json");
    if (format != "json" && format != "csv" && format != "ics") {
        Fail(Quoted(format) + QLatin1String(" is not an export format: use json, csv or ics"));
    }
    // Each item goes out as soon as it is read; the writer starts once the count is known.
    // A long list is formatted on every core, in batches that are written in order.
    std::optional<TJsonWriter> json;
    std::optional<TCsvWriter> csv;
    std::optional<TICalendarWriter> ics;
    std::function<void(TTodoItem&)> take;
    ForEachItemInFile(
        FileName(a.Positional()[0]),
        [&](int count) {
            const int helpers = FormatHelpers(std::size_t(count));
            if (format == "json") {
                take = [&writer = json.emplace(out, helpers)](TTodoItem& item) {
                    writer.Take(item);
                };
            } else if (format == "csv") {
                take = [&writer = csv.emplace(out, helpers)](TTodoItem& item) {
                    writer.Take(item);
                };
            } else {
                take = [&writer = ics.emplace(out, QDateTime::currentDateTimeUtc(),
                                              std::size_t(count), helpers)](TTodoItem& item) {
                    writer.Take(item);
                };
            }
        },
        [&take](TTodoItem& item) { take(item); });
    if (json) {
        json->Finish();
    } else if (csv) {
        csv->Finish();
    } else {
        ics->Finish();
    }
    return ecSuccess;
}

int Import(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err) {
    TCommandArguments a("import", args, {{"output", true, 'o'}, {"format", true}});
    if (a.Help()) {
        out << CommandHelp("import");
        return ecSuccess;
    }
    a.Expect({"INPUT"});
    const std::string& input = a.Positional()[0];
    const auto output = a.Value("output");
    if (!output || output->empty()) {
        a.Usage("missing -o OUT, the list to write");
    }
    std::string format = a.Value("format").value_or("");
    if (format.empty()) {
        const QString suffix = QFileInfo(FileName(input)).suffix().toLower();
        if (input == "-" || (suffix != QLatin1String("json") && suffix != QLatin1String("csv") &&
                             suffix != QLatin1String("ics"))) {
            a.Usage("cannot tell the format of " + input +
                    ": give --format json, --format csv or --format ics");
        }
        format = suffix.toStdString();
    }
    if (format != "json" && format != "csv" && format != "ics") {
        Fail(Quoted(format) + QLatin1String(" is not an import format: use json, csv or ics"));
    }
    const QString inputName = input == "-" ? QStringLiteral("standard input") : FileName(input);
    // Each item goes into the new list's temporary file as soon as it is read; the lock is
    // held only for putting the file in place.
    ImportInput source(input, in);
    std::optional<TTodoFileWriter> list(std::in_place, FileName(*output));
    const auto add = [&list](TTodoItem& item) { list->Add(item); };
    // A file is read by the quickest reader first: a long one in chunks on every core. When
    // a reader gives up, the file is read again from its start into a new temporary list
    // by the next; the last of them names the fault.
    const int helpers = source.CanRewind() ? ChunkHelpers(source.Size()) : 0;
    const auto firstThatReads = [&](bool (*inChunks)(TReadBytes, int, TTodoFileWriter&),
                                    std::initializer_list<std::function<bool()>> readers) {
        bool again = helpers > 0;
        if (again && inChunks(source.Read(), helpers, *list)) {
            return;
        }
        for (const std::function<bool()>& reader : readers) {
            if (again) {
                list.reset();
                if (!source.Rewind()) {
                    throw EReadError(QStringLiteral("Cannot read file %1").arg(inputName));
                }
                list.emplace(FileName(*output));
            }
            again = true;
            if (reader()) {
                return;
            }
        }
    };
    try {
        if (format == "ics") {
            firstThatReads(
                ImportICalendarInChunks, {[&] {
                    ReadICalendar(source.Read(), add, [&](const QString& warning) {
                        Write(err, inputName + QLatin1String(": ") + warning + QLatin1Char('\n'));
                    });
                    return true;
                }});
        } else if (format == "csv") {
            firstThatReads(ImportCsvInChunks, {[&] {
                               ReadCsvItems(source.Read(), add);
                               return true;
                           }});
        } else if (!source.CanRewind()) {
            ReadJsonItems(source.Read(), add);
        } else {
            firstThatReads(ImportJsonInChunks,
                           {[&] { return ReadJsonItemsInChunks(source.Read(), add); },
                            [&] { return ReadJsonItemsQuickly(source.Read(), add); },
                            [&] {
                                ReadJsonItems(source.Read(), add);
                                return true;
                            }});
        }
    } catch (const EImportError& error) {
        Fail(inputName + QLatin1String(": ") + error.Message());
    }
    const ChangeLock lock(*output);
    list->Commit();
    out << "Wrote " << list->Count() << (list->Count() == 1 ? " item to " : " items to ") << *output
        << "\n";
    return ecSuccess;
}

int Columns(const std::vector<std::string>& args, std::ostream& out) {
    TCommandArguments a("columns", args, {});
    if (a.Help()) {
        out << CommandHelp("columns");
        return ecSuccess;
    }
    a.Expect({"FILE"});
    const QString file = FileName(a.Positional()[0]);
    const std::vector<TColumnRecord> records = ReadColumns(ReadWholeFile(file), file);
    TTextTable table;
    table.AddColumn("#", true);
    table.AddColumn("Width", true);
    table.AddColumn("Caption");
    table.AddColumn("Data");
    // Fields a record leaves out keep the values of a new column.
    int index = 0;
    for (const TColumnRecord& record : records) {
        const auto kind = static_cast<TTodoData>(record.TodoData.value_or(tdSubject));
        const char* name = TodoDataName(kind);
        table.AddRow({std::to_string(index++), std::to_string(record.Width.value_or(100)),
                      record.Caption.value_or(std::string()),
                      name ? std::string(name) : std::to_string(int(kind))});
    }
    out << table.Render();
    return ecSuccess;
}

std::vector<TTodoData> ColumnKinds(const std::string& list) {
    std::vector<TTodoData> kinds;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string name =
            list.substr(start, comma == std::string::npos ? comma : comma - start);
        const auto kind = DataKindFromText(name);
        if (!kind) {
            Fail(Quoted(name) + QLatin1String(" is not a column data kind (see show --help)"));
        }
        kinds.push_back(*kind);
        if (comma == std::string::npos) {
            return kinds;
        }
        start = comma + 1;
    }
}

int Show(const std::vector<std::string>& args, std::ostream& out) {
    TCommandArguments a("show", args, {{"sort", true}, {"desc", false}, {"columns", true}});
    if (a.Help()) {
        out << CommandHelp("show");
        return ecSuccess;
    }
    a.Expect({"FILE"});
    if (a.Has("desc") && !a.Has("sort")) {
        a.Usage("--desc needs --sort KIND");
    }
    std::optional<TTodoData> sortKind;
    if (const auto sort = a.Value("sort")) {
        sortKind = DataKindFromText(*sort);
        if (!sortKind) {
            Fail(Quoted(*sort) + QLatin1String(" is not a column data kind (see show --help)"));
        }
    }
    const std::vector<TTodoData> kinds = ColumnKinds(a.Value("columns").value_or(
        "complete,subject,resource,status,priority,completion,duedate"));

    TTodoItemCollection items;
    LoadFromFile(items, FileName(a.Positional()[0]));
    // The rows in the order a sort would give them; the items stay where they are.
    const std::vector<int> order = SortedTodoOrder(items, sortKind.value_or(tdHandle),
                                                   a.Has("desc") ? sdDescending : sdAscending);
    // A long table is made and printed in parts, one for each core.
    const int parts = std::max(1, FormatHelpers(order.size()));
    std::vector<TTextTable> tables(static_cast<std::size_t>(parts));
    for (TTextTable& table : tables) {
        table.AddColumn("#", true);
        for (const TTodoData kind : kinds) {
            table.AddColumn(TodoDataCaption(kind), DataKindIsNumeric(kind));
        }
    }
    const auto rows = [&order, parts](int part) {
        return std::pair(order.size() * std::size_t(part) / std::size_t(parts),
                         order.size() * std::size_t(part + 1) / std::size_t(parts));
    };
    ForEachPart(parts, [&](int part) {
        TTextTable& table = tables[std::size_t(part)];
        TItemCellTexts texts;
        const auto [first, end] = rows(part);
        table.Reserve(end - first, 8 * (kinds.size() + 1));
        // Sorted rows lie anywhere in memory: each item, and then its texts, are fetched
        // into the cache some rows early, so that the misses overlap.
        constexpr std::size_t kAhead = 8;
        for (std::size_t row = first; row < end; ++row) {
            if (row + 2 * kAhead < end) {
                const char* ahead =
                    reinterpret_cast<const char*>(items.At(order[row + 2 * kAhead]));
                for (std::size_t line = 0; line < sizeof(TTodoItem); line += 64) {
                    __builtin_prefetch(ahead + line);
                }
            }
            if (row + kAhead < end) {
                const TTodoItem& ahead = *items.At(order[row + kAhead]);
                __builtin_prefetch(ahead.Subject().data());
                __builtin_prefetch(ahead.Resource().data());
            }
            const TTodoItem& item = *items.At(order[row]);
            table.AddCell(std::to_string(row));
            for (const TTodoData kind : kinds) {
                table.AddCell(texts.Text(item, kind));
            }
        }
    });
    const std::vector<int> widths = TTextTable::Widths(tables);
    std::vector<std::string> lines(tables.size());
    // The items are not needed any more: on several cores they are freed beside the printing.
    ForEachPart(parts > 1 ? parts + 1 : 1, [&](int part) {
        if (part == parts) {
            items.Clear();
        } else {
            lines[std::size_t(part)] = tables[std::size_t(part)].Render(widths, part == 0);
        }
    });
    for (const std::string& part : lines) {
        out << part;
    }
    return ecSuccess;
}

int Add(const std::vector<std::string>& args, std::ostream& out) {
    TCommandArguments a("add", args,
                        {{"subject", true},
                         {"resource", true},
                         {"notes", true},
                         {"priority", true},
                         {"status", true},
                         {"due", true},
                         {"project", true}});
    if (a.Help()) {
        out << CommandHelp("add");
        return ecSuccess;
    }
    a.Expect({"FILE"});
    const auto subject = a.Value("subject");
    if (!subject) {
        a.Usage("missing --subject TEXT");
    }
    // Every value is checked before the list is touched.
    std::optional<TTodoPriority> priority;
    if (const auto text = a.Value("priority")) {
        priority = PriorityFromUserText(*text);
        if (!priority) {
            Fail(Quoted(*text) +
                 QLatin1String(" is not a priority: use lowest, low, normal, high or highest"));
        }
    }
    std::optional<TTodoStatus> status;
    if (const auto text = a.Value("status")) {
        status = StatusFromUserText(*text);
        if (!status) {
            Fail(Quoted(*text) + QLatin1String(" is not a status: use \"not started\", "
                                               "completed, \"in progress\" or deferred"));
        }
    }
    std::optional<TDateTime> due;
    if (const auto text = a.Value("due")) {
        due = IsoDateFromText(*text);
        if (!due) {
            Fail(Quoted(*text) + QLatin1String(" is not a date: use YYYY-MM-DD"));
        }
    }

    const std::string& file = a.Positional()[0];
    const ChangeLock lock(file);
    TTodoItemCollection items;
    // A list that does not exist yet starts empty; one that exists must load.
    if (QFileInfo::exists(FileName(file))) {
        LoadFromFile(items, FileName(file));
    }
    // The values of the window's Create Item.
    TTodoItem* item = items.Add();
    SetCreateItemValues(*item, [] { return QDateTimeToDateTime(QDateTime::currentDateTime()); });
    // Then what the command line gives.
    item->SetSubject(*subject);
    if (const auto notes = a.Value("notes")) {
        item->Notes().SetText(*notes);
    }
    if (priority) {
        item->SetPriority(*priority);
    }
    if (status) {
        item->SetStatus(*status);
    }
    if (due) {
        item->SetDueDate(*due);
    }
    if (const auto resource = a.Value("resource")) {
        item->SetResource(*resource);
    }
    if (const auto project = a.Value("project")) {
        item->SetProject(*project);
    }
    SaveToFile(items, FileName(file));
    out << "Added item " << item->Index() << "\n";
    return ecSuccess;
}

// A changing command on one item: FILE INDEX, under the list's lock, saved afterwards.
// `change` changes the list and says what it did.
int ChangeItemAt(const char* command, const std::vector<std::string>& args, std::ostream& out,
                 const std::function<std::string(TTodoItemCollection&, int)>& change) {
    TCommandArguments a(command, args, {});
    if (a.Help()) {
        out << CommandHelp(command);
        return ecSuccess;
    }
    a.Expect({"FILE", "INDEX"});
    const std::string& file = a.Positional()[0];
    const ChangeLock lock(file);
    TTodoItemCollection items;
    LoadFromFile(items, FileName(file));
    const std::string done = change(items, ItemIndex(a.Positional()[1], items, file));
    SaveToFile(items, FileName(file));
    out << done << "\n";
    return ecSuccess;
}

int Done(const std::vector<std::string>& args, std::ostream& out) {
    return ChangeItemAt("done", args, out, [](TTodoItemCollection& items, int index) {
        TTodoItem* item = items.GetItem(index);
        item->SetComplete(true);
        item->SetCompletion(100);
        item->SetCompletionDate(QDateTimeToDateTime(QDateTime::currentDateTime()));
        return "Item " + std::to_string(index) + " is done";
    });
}

int Remove(const std::vector<std::string>& args, std::ostream& out) {
    return ChangeItemAt("remove", args, out, [](TTodoItemCollection& items, int index) {
        items.Delete(index);
        return "Removed item " + std::to_string(index);
    });
}

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
    if (args.empty()) {
        throw EUsageError(
            QStringLiteral("missing command\nUsage: pellmark-cli COMMAND [OPTION]... "
                           "[ARGUMENT]..."));
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "-h" || command == "--help") {
        out << ToolHelp();
        return ecSuccess;
    }
    if (command == "--version") {
        out << VersionText();
        return ecSuccess;
    }
    if (command == "help") {
        if (rest.empty()) {
            out << ToolHelp();
            return ecSuccess;
        }
        const std::string help = CommandHelp(rest[0]);
        if (help.empty() || rest.size() > 1) {
            throw EUsageError(QStringLiteral("unknown command '%1'").arg(FileName(rest[0])));
        }
        out << help;
        return ecSuccess;
    }
    if (command == "check") {
        return Check(rest, out);
    }
    if (command == "show") {
        return Show(rest, out);
    }
    if (command == "export") {
        return Export(rest, out);
    }
    if (command == "import") {
        return Import(rest, in, out, err);
    }
    if (command == "columns") {
        return Columns(rest, out);
    }
    if (command == "add") {
        return Add(rest, out);
    }
    if (command == "done") {
        return Done(rest, out);
    }
    if (command == "remove") {
        return Remove(rest, out);
    }
    if (command == "sync") {
        return RunSyncCommand(rest, out);
    }
    throw EUsageError(QStringLiteral("unknown command '%1'").arg(FileName(command)));
}

}  // namespace

int RunPellmarkCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err) {
    try {
        const int code = Run(args, in, out, err);
        out.flush();
        if (!out) {
            err << "Cannot write the output\n";
            return ecFailure;
        }
        return code;
    } catch (const EUsageError& error) {
        Write(err, error.Message() +
                       QLatin1String("\nTry 'pellmark-cli --help' for more information.\n"));
        return ecUsage;
    } catch (const EPellmarkError& error) {
        Write(err, error.Message() + QLatin1Char('\n'));
    } catch (const std::bad_alloc&) {
        err << "Out of memory\n";
    } catch (const std::exception& error) {
        err << error.what() << "\n";
    }
    return ecFailure;
}
