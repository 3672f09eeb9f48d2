#include "bench/bench_lists.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <array>
#include <cstdint>
#include <cstring>

#include "model/todo_file.h"
#include "model/todo_sort.h"
#include "todolist/todo_list.h"

namespace {

// A small fixed-seed generator: the lists must not depend on the standard library's
// distributions, which differ between implementations.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& choices) {
        return choices[static_cast<std::size_t>(Below(int(N)))];
    }

private:
    std::uint64_t state_;
};

const std::array<const char*, 24> kVerbs = {
    "Call", "Email",  "Book",    "Fix",     "Review", "Order",  "Pay",    "Write",
    "Plan", "Check",  "Prepare", "Send",    "Renew",  "Clean",  "Update", "Cancel",
    "Ask",  "Finish", "Print",   "Collect", "Sign",   "Return", "Test",   "Organise"};
const std::array<const char*, 32> kObjects = {"the plumber",        "Anna",
                                              "the dentist",        "train tickets",
                                              "the garden gate",    "the Q3 budget",
                                              "printer ink",        "the electricity bill",
                                              "the project plan",   "the car tyres",
                                              "slides for Monday",  "the signed contract",
                                              "my passport",        "the garage",
                                              "the website texts",  "the gym membership",
                                              "Tom about the move", "the quarterly report",
                                              "the parcel",         "the new laptop",
                                              "the insurance form", "the team lunch",
                                              "the backup drive",   "the hotel in Lyon",
                                              "the library books",  "the tax return",
                                              "the kitchen tap",    "the invoice for March",
                                              "the meeting notes",  "the spare keys",
                                              "the release build",  "the birthday present"};
const std::array<const char*, 12> kEndings = {"",
                                              "",
                                              "",
                                              "",
                                              " before Friday",
                                              " today",
                                              " this week",
                                              " again",
                                              " for the office",
                                              " at home",
                                              " (urgent)",
                                              " after lunch"};
const std::array<const char*, 16> kNoteFirst = {"Ask for the reference number first",
                                                "Phone number is on the fridge",
                                                "The old one stopped working in May",
                                                "Keep the receipt for the claim",
                                                "Anna knows the details",
                                                "Only after the budget is approved",
                                                "Compare at least three offers",
                                                "Bring the signed copy",
                                                "Needs the figures from accounting",
                                                "Check the opening hours",
                                                "Use the company card",
                                                "Mention the discount code",
                                                "Second attempt, first one bounced",
                                                "Tom has the spare key",
                                                "Agreed on the call last Tuesday",
                                                "Print two copies"};
const std::array<const char*, 12> kNoteSecond = {
    "then file it under Admin",        "and tell the others when done", "costs about 40 euros",
    "deadline is end of month",        "see the email from 3 March",    "not before 10 o'clock",
    "ask again if there is no answer", "and update the shared sheet",   "leave it at the reception",
    "copy to the team folder",         "remind Tom on Thursday",        "archive the old version"};
const std::array<const char*, 10> kResources = {
    "Me", "Anna", "Tom Becker", "Office", "Maria", "Jan", "Support desk", "Lena", "Team", "Paul"};
const std::array<const char*, 8> kProjects = {"Home",    "Work",   "Travel", "Garden",
                                              "Finance", "Moving", "Health", "Release 2.1"};

}  // namespace

void FillBenchItems(TTodoItemCollection& items, int count) {
    TRandom random(20240301);
    const TDateTime today = 45352.0;  // 1 March 2024
    items.Reserve(items.Count() + count);
    for (int i = 0; i < count; ++i) {
        TTodoItem& item = *items.Add();
        std::string subject = random.Pick(kVerbs);
        subject += ' ';
        subject += random.Pick(kObjects);
        subject += random.Pick(kEndings);
        item.SetSubject(subject);
        item.SetResource(random.Pick(kResources));
        if (random.Below(4) != 0) {
            item.SetProject(random.Pick(kProjects));
        }
        item.SetNotes(TStringList{random.Pick(kNoteFirst), random.Pick(kNoteSecond)});
        const TDateTime created = today - random.Below(365) - random.Below(86400) / 86400.0;
        item.SetCreationDate(created);
        // One item in eight has no due date; the rest are due within a few weeks either
        // side of today, many on the same day.
        if (random.Below(8) != 0) {
            item.SetDueDate(today - 30 + random.Below(90));
        }
        item.SetPriority(static_cast<TTodoPriority>(random.Below(TodoPriorityCount)));
        const int completion = random.Below(5) == 0 ? 100 : random.Below(10) * 10;
        item.SetCompletion(static_cast<TCompletion>(completion));
        if (completion == 100) {
            item.SetComplete(true);
            item.SetStatus(tsCompleted);
            item.SetCompletionDate(created + random.Below(30) + 0.5);
        } else {
            item.SetStatus(completion == 0 ? tsNotStarted : tsInProgress);
        }
        item.SetTotalTime(random.Below(480));
        item.SetImageIndex(-1);
    }
}

void AddBenchColumns(TCustomTodoList& list) {
    list.Columns().Clear();
    list.AddColumn(tdComplete, "Done")->SetWidth(36);
    list.AddColumn(tdSubject, "Subject")->SetWidth(220);
    list.AddColumn(tdPriority, "Priority")->SetWidth(60);
    list.AddColumn(tdCompletion, "Completion")->SetWidth(80);
    list.AddColumn(tdStatus, "Status")->SetWidth(80);
    list.AddColumn(tdResource, "Resource")->SetWidth(80);
    list.AddColumn(tdCreationDate, "Created")->SetWidth(80);
    list.AddColumn(tdDueDate, "Due date")->SetWidth(80);
    list.AddColumn(tdCompletionDate, "Completed")->SetWidth(80);
    list.AddColumn(tdNotes, "Notes")->SetWidth(150);
    list.AddColumn(tdProject, "Project")->SetWidth(80);
}

int BenchColumnOf(const TCustomTodoList& list, TTodoData kind) {
    for (const TTodoColumnItem* column : list.Columns()) {
        if (column->TodoData() == kind) {
            return column->Index();
        }
    }
    return -1;
}

QString BenchListFile(const QString& folder, int count) {
    // Written once per run, so that a changed generator never leaves an old file behind.
    static QSet<QString> written;
    const QString path = QDir(folder).filePath(QStringLiteral("list-%1.2do").arg(count));
    if (!written.contains(path)) {
        written.insert(path);
        TTodoItemCollection items;
        FillBenchItems(items, count);
        SaveToFile(items, path);
    }
    return path;
}

QString BenchDataFolder() {
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/bench-data");
    QDir().mkpath(folder);
    return folder;
}

long long WalkListRecords(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const std::size_t size = std::size_t(data.size());
    std::size_t pos = 0;
    auto readInt = [&](std::int32_t& value) {
        if (size - pos < 4) {
            return false;
        }
        std::uint32_t v;
        std::memcpy(&v, bytes + pos, 4);
        value = std::int32_t(v);
        pos += 4;
        return true;
    };
    long long fields = 0;
    std::int32_t items = 0;
    if (!readInt(items)) {
        return -1;
    }
    for (std::int32_t i = 0; i < items; ++i) {
        std::int32_t count = 0;
        if (!readInt(count)) {
            return -1;
        }
        for (std::int32_t f = 0; f < count; ++f) {
            if (size - pos < 3) {
                return -1;
            }
            const std::size_t length = bytes[pos + 1] | (std::size_t(bytes[pos + 2]) << 8);
            pos += 3;
            if (size - pos < length) {
                return -1;
            }
            pos += length;
            ++fields;
        }
    }
    return fields;
}

TBenchSubjects::TBenchSubjects(const QString& listFile) : collator_(DefaultTodoCollator()) {
    TTodoItemCollection items;
    LoadFromFile(items, listFile);
    for (const TTodoItem* item : items) {
        subjects_.push_back(
            QString::fromLocal8Bit(item->Subject().data(), qsizetype(item->Subject().size())));
    }
}

void TBenchSubjects::Sort(std::vector<QString>& subjects) const {
    std::sort(subjects.begin(), subjects.end(),
              [this](const QString& a, const QString& b) { return collator_.compare(a, b) < 0; });
    benchmark::DoNotOptimize(subjects.data());
}

bool WriteFlushRename(const QString& target, const QByteArray& bytes) {
    const QByteArray path = QFile::encodeName(target);
    const QByteArray temp = path + ".tmp";
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::write(fd, bytes.constData(), std::size_t(bytes.size())) ==
                                   ssize_t(bytes.size());
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    const bool closed = fd >= 0 && ::close(fd) == 0;
    return ok && flushed && closed && ::rename(temp.constData(), path.constData()) == 0;
}
