#pragma once

// A shown to-do list control with one column of every editable kind and a few items, for
// the cell-editing tests, plus helpers that find the editors and click cells.

#include <QApplication>
#include <QTest>
#include <memory>

#include "editing/cell_editing.h"
#include "model/date_time.h"
#include "todolist/list_test_support.h"

// Column positions of MakeEditList.
enum TEditColumn {
    ecDone,
    ecSubject,
    ecCompletion,
    ecPriority,
    ecStatus,
    ecDue,
    ecNotes,
    ecTotal,
    ecResource,
    ecCount
};

inline std::unique_ptr<TTodoList> MakeEditList(int items = 5) {
    auto list = std::make_unique<TTodoList>();
    list->SetBorderStyle(bsNone);
    list->SetDateFormat(QStringLiteral("MM/d/yyyy"));
    list->AddColumn(tdComplete, "Done")->SetWidth(30);
    list->AddColumn(tdSubject, "Subject")->SetWidth(120);
    list->AddColumn(tdCompletion, "Completion")->SetWidth(61);
    list->AddColumn(tdPriority, "Priority")->SetWidth(40);
    list->AddColumn(tdStatus, "Status")->SetWidth(80);
    list->AddColumn(tdDueDate, "Due")->SetWidth(100);
    list->AddColumn(tdNotes, "Notes")->SetWidth(90);
    list->AddColumn(tdTotalTime, "Total")->SetWidth(50);
    list->AddColumn(tdResource, "Resource")->SetWidth(80);
    for (int i = 0; i < items; ++i) {
        TTodoItem* item = list->Items().Add();
        item->SetSubject("Item " + std::to_string(i));
        item->SetCompletion(static_cast<TCompletion>(10 * i));
        item->SetPriority(tpNormal);
        item->SetStatus(tsInProgress);
        item->SetDueDate(EncodeDateTime(QDate(2024, 3, 1 + i), QTime(8, 30)));
        item->SetResource("Anna");
        item->SetTotalTime(i);
    }
    list->resize(760, 220);
    return list;
}

inline TCellEditing& Editing(TTodoList& list) {
    return list.ListBox()->CellEditing();
}

inline QWidget* Viewport(TTodoList& list) {
    return list.ListBox()->viewport();
}

inline QPoint CellCenter(TTodoList& list, int column, int row) {
    return list.ListBox()->CellRect(column, row).center();
}

inline void ClickCell(TTodoList& list, int column, int row) {
    QTest::mouseClick(Viewport(list), Qt::LeftButton, {}, CellCenter(list, column, row));
}

// The rectangle of a widget in screen coordinates.
inline QRect ScreenRect(const QWidget* widget) {
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

inline QRect CellScreenRect(TTodoList& list, int column, int row) {
    const QRect cell = list.ListBox()->CellRect(column, row);
    return QRect(Viewport(list)->mapToGlobal(cell.topLeft()), cell.size());
}
