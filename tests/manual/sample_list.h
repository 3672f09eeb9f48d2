#pragma once

// A to-do list with the usual columns and a few hundred varied items, for the manual demo
// and the real-window tests. The contents depend only on the count, so every run looks
// the same.

#include <QDate>
#include <QTime>
#include <array>
#include <string>

#include "model/date_time.h"
#include "todolist/todo_list.h"

inline void AddSampleColumns(TCustomTodoList& list) {
    list.Columns().Clear();
    list.AddColumn(tdComplete, "Done")->SetWidth(36);
    list.AddColumn(tdSubject, "Subject")->SetWidth(170);
    list.AddColumn(tdPriority, "Priority")->SetWidth(56);
    list.AddColumn(tdCompletion, "Completion")->SetWidth(80);
    list.AddColumn(tdDueDate, "Due date")->SetWidth(80);
    list.AddColumn(tdStatus, "Status")->SetWidth(80);
    list.AddColumn(tdResource, "Resource")->SetWidth(80);
    list.AddColumn(tdNotes, "Notes")->SetWidth(140);
    list.AddColumn(tdProject, "Project")->SetWidth(90);
}

inline void AddSampleItems(TCustomTodoList& list, int count) {
    static const std::array<const char*, 16> subjects = {
        "Buy milk",       "Call the plumber", "Write the report",   "Book train tickets",
        "Renew passport", "Water the plants", "Answer Anna",        "Fix the gate",
        "Plan the trip",  "Pay the invoice",  "Back up the laptop", "Order printer ink",
        "Prepare slides", "Clean the garage", "Send the contract",  "Read chapter four"};
    static const std::array<const char*, 5> resources = {"Me", "Anna", "Tom", "Unassigned",
                                                         "Office"};
    static const std::array<const char*, 4> projects = {"Home", "Work", "Travel", "Garden"};
    const TDateTime start = EncodeDateTime(QDate(2024, 3, 1), QTime(9, 0));
    list.Items().BeginUpdate();
    for (int i = 0; i < count; ++i) {
        TTodoItem* item = list.Items().Add();
        std::string subject = subjects[std::size_t(i) % subjects.size()];
        if (i >= int(subjects.size())) {
            subject += " #" + std::to_string(i / int(subjects.size()) + 1);
        }
        item->SetSubject(subject);
        item->SetPriority(static_cast<TTodoPriority>((i * 7 + 2) % 5));
        item->SetCompletion(static_cast<TCompletion>((i * 37) % 101));
        item->SetComplete(i % 9 == 4);
        item->SetStatus(static_cast<TTodoStatus>((i * 3) % 4));
        item->SetCreationDate(start - 30 + (i % 20));
        item->SetDueDate(start + (i * 13) % 90);
        item->SetCompletionDate(start + (i * 13) % 90);
        item->SetResource(resources[std::size_t(i * 3) % resources.size()]);
        item->SetProject(projects[std::size_t(i * 5 / 3) % projects.size()]);
        item->SetTotalTime((i * 11) % 40);
        if (i % 3 == 0) {
            item->SetNotes(TStringList{"Remember the receipt", "and the second line"});
        } else if (i % 3 == 1) {
            item->SetNotes(TStringList{"Ask before Friday"});
        }
    }
    list.Items().EndUpdate();
}
