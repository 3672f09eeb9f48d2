#include "settings/spin_edit.h"

#include <QLineEdit>
#include <limits>

int TextToIntDef(const QString& text, int fallback) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return fallback;
    }
    return static_cast<int>(value);
}

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (OnChange) {
            OnChange(this);
        }
    });
    SetValue(0);
}

int TSpinEdit::Value() const {
    return TextToIntDef(text(), 0);
}

void TSpinEdit::SetValue(int value) {
    lineEdit()->setText(QString::number(value));
}

void TSpinEdit::stepBy(int steps) {
    const long long next = static_cast<long long>(Value()) + steps;
    if (next >= std::numeric_limits<int>::min() && next <= std::numeric_limits<int>::max()) {
        SetValue(static_cast<int>(next));
    }
}

QValidator::State TSpinEdit::validate(QString&, int&) const {
    // Any text may stand in the box; what is not a number counts as 0.
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}
