#include "QtTestEnvironment.h"

#include <memory>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace testing_support {

namespace {

    // The QApplication lives in a global environment rather than in main(), so that listing the
    // tests at build time needs no display.
    class QtEnvironment : public ::testing::Environment
    {
    public:
        void SetUp() override
        {
            static int argc = 1;
            static char name[] = "ui_tests";
            static char *argv[] = {name, nullptr};
            m_application = std::make_unique<QApplication>(argc, argv);
        }
        void TearDown() override { m_application.reset(); }

    private:
        std::unique_ptr<QApplication> m_application;
    };

    [[maybe_unused]] ::testing::Environment *const kEnvironment =
        ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

void OnNextModal(std::function<void(QWidget *)> handle)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QWidget *before = QApplication::activeModalWidget();
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, before, handle, ticks] {
        if (++*ticks > 1000) { // nothing opened within ten seconds: give up
            timer->stop();
            timer->deleteLater();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != before && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            handle(modal);
        }
    });
    timer->start();
}

MessageCatcher::MessageCatcher()
{
    OnNextModal([this](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            seen = true;
            text = box->text();
            caption = box->windowTitle();
            box->accept();
        } else {
            modal->close();
        }
    });
}

} // namespace testing_support
