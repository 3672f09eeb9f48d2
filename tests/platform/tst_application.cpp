#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "modal_answer.h"
#include "model/errors.h"
#include "platform/application.h"
#include "platform/testing/fake_platform.h"

namespace {

const QEvent::Type kFailEvent = QEvent::Type(QEvent::User + 1);

// Fails in its event handlers the way a command of the program does.
class TFailingWidget : public QWidget {
public:
    int Handled = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == kFailEvent) {
            throw EFOpenError::ForFile(QStringLiteral("/tmp/missing.2do"));
        }
        return QWidget::event(e);
    }
    void mousePressEvent(QMouseEvent*) override {
        ++Handled;
        throw EPellmarkError(QString::fromUtf8("Liste für März kann nicht gelesen werden"));
    }
    void keyPressEvent(QKeyEvent*) override {
        ++Handled;
        throw 42;  // not an exception class at all
    }
};

TPellmarkApplication& App() {
    return *static_cast<TPellmarkApplication*>(QCoreApplication::instance());
}

}  // namespace

class TestApplication : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        fake_ = std::make_unique<TFakePlatform>();
        App().SetMessageService(&fake_->Messages);
    }
    void cleanup() { App().SetMessageService(nullptr); }

    void sentEventThatThrowsIsShown() {
        TFailingWidget widget;
        QEvent event(kFailEvent);
        QCoreApplication::sendEvent(&widget, &event);
        QCOMPARE(fake_->Messages.Texts(mkError),
                 QStringList{QStringLiteral("Cannot open file /tmp/missing.2do.")});
        // The program goes on: the next failure is shown as well.
        QCoreApplication::sendEvent(&widget, &event);
        QCOMPARE(fake_->Messages.Texts(mkError).size(), 2);
    }

    void postedEventAndTimer() {
        TFailingWidget widget;
        QCoreApplication::postEvent(&widget, new QEvent(kFailEvent));
        QTimer::singleShot(0, &widget, [] {
            throw EConvertError(QStringLiteral("'abc' is not a valid integer value"));
        });
        QTRY_COMPARE(fake_->Messages.Texts(mkError).size(), 2);
        QVERIFY(fake_->Messages.Texts(mkError).contains(
            QStringLiteral("'abc' is not a valid integer value.")));
    }

    void userInputThatThrows() {
        TFailingWidget widget;
        widget.resize(50, 50);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTest::mouseClick(&widget, Qt::LeftButton);
        QCOMPARE(widget.Handled, 1);
        QCOMPARE(fake_->Messages.Texts(mkError),
                 QStringList{QString::fromUtf8("Liste für März kann nicht gelesen werden.")});
        QTest::keyClick(&widget, Qt::Key_A);
        QCOMPARE(widget.Handled, 2);
        QCOMPARE(fake_->Messages.Texts(mkError).last(), QStringLiteral("Unknown error."));
        // Input still reaches the widget afterwards.
        QTest::mouseClick(&widget, Qt::LeftButton);
        QCOMPARE(widget.Handled, 3);
    }

    void reportingACaughtException() {
        try {
            throw EListError(7);
        } catch (const std::exception& e) {
            ShowException(fake_->Messages, e);
        }
        try {
            throw std::runtime_error("disk full");
        } catch (...) {
            ShowCurrentException(fake_->Messages);
        }
        QCOMPARE(fake_->Messages.Texts(mkError),
                 (QStringList{QStringLiteral("List index out of bounds (7)"),
                              QStringLiteral("disk full.")}));
    }

    // Without a service of the program's, the handler shows Qt's own error box.
    void defaultIsTheErrorBox() {
        App().SetMessageService(nullptr);
        TFailingWidget widget;
        TModalAnswer<QMessageBox> answer([](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Pellmark"));
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->text(), QStringLiteral("Cannot open file /tmp/missing.2do."));
            box->accept();
        });
        QEvent event(kFailEvent);
        QCoreApplication::sendEvent(&widget, &event);
        QVERIFY(answer.Answered());
        QVERIFY(fake_->Messages.Calls.empty());
    }

private:
    std::unique_ptr<TFakePlatform> fake_;
};

int main(int argc, char** argv) {
    TPellmarkApplication app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
