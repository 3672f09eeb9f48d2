#pragma once

// The find bar above the list: a text box whose text narrows the rows to the items that
// contain it (see todolist/row_filter.h). Escape clears the text and hides the bar; Enter
// gives the focus back to the list and keeps the rows as they are.

#include <QWidget>

class QLineEdit;

class TFindBar : public QWidget {
    Q_OBJECT

public:
    explicit TFindBar(QWidget* parent = nullptr);

    QLineEdit* TextBox() const { return text_; }
    QString Text() const;
    // Shows the bar with the focus in its text, all of it selected.
    void Open();
    // Clears the text and hides the bar.
    void Close();

Q_SIGNALS:
    void TextChanged(const QString& text);
    // The user is done with the bar (Enter, Escape): the list takes the focus again.
    void Left();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* text_;
};
