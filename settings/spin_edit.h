#pragma once

// A spin edit without bounds whose text may be anything: the value is the text read as a
// decimal integer, 0 when it is not one. The arrows step from that value.

#include <QAbstractSpinBox>
#include <functional>

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    int Value() const;
    void SetValue(int value);

    // Raised at every change of the text, by the user or by SetValue.
    std::function<void(TSpinEdit* sender)> OnChange;

    void stepBy(int steps) override;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    StepEnabled stepEnabled() const override;
};

// The text as a decimal integer (an optional sign, then digits, inside the 32-bit range),
// or the fallback.
int TextToIntDef(const QString& text, int fallback);
