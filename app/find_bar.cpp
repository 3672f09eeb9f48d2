#include "app/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

TFindBar::TFindBar(QWidget* parent) : QWidget(parent), text_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("FindBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    auto* label = new QLabel(QStringLiteral("&Find:"), this);
    label->setBuddy(text_);
    text_->setObjectName(QStringLiteral("FindText"));
    text_->setPlaceholderText(QStringLiteral("Subject, resource, notes or project"));
    text_->setClearButtonEnabled(true);
    text_->setAccessibleName(QStringLiteral("Find"));
    text_->installEventFilter(this);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("FindClose"));
    close->setAutoRaise(true);
    close->setText(QStringLiteral("\u00d7"));
    close->setToolTip(QStringLiteral("Close the find bar (Esc)"));
    close->setAccessibleName(QStringLiteral("Close find bar"));
    layout->addWidget(label);
    layout->addWidget(text_, 1);
    layout->addWidget(close);
    connect(text_, &QLineEdit::textChanged, this, &TFindBar::TextChanged);
    connect(close, &QToolButton::clicked, this, [this] {
        Close();
        Q_EMIT Left();
    });
    hide();
}

QString TFindBar::Text() const {
    return text_->text();
}

void TFindBar::Open() {
    show();
    text_->setFocus(Qt::ShortcutFocusReason);
    text_->selectAll();
}

void TFindBar::Close() {
    text_->clear();
    hide();
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != text_) {
        return QWidget::eventFilter(watched, event);
    }
    const auto type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool ours = key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!ours) {
        return false;
    }
    // The window's own Enter and Escape (the Create and Delete buttons) must not see
    // these keys while the text has the focus.
    event->accept();
    if (type == QEvent::KeyPress) {
        if (key == Qt::Key_Escape) {
            Close();
        }
        Q_EMIT Left();
        return true;
    }
    return true;
}
