// The real version box on the Qt backend, under a mouse that the windowing system
// moves.
#include "WindowTesting.h"

#include "platform/framework/UiThread.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"
#include "ui/AboutDialog.h"

#include <QLabel>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace window_testing;

constexpr int kVersionText = -1;

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application();
        WinApp();
        std::string reason;
        ASSERT_TRUE(LoadProgramResources(&reason)) << reason;
        framework::SetUiThread();
        m_backend = std::make_unique<qt::QtBackend>();
        ASSERT_TRUE(m_dialog.CreateFromTemplate());
        m_window = m_backend->WidgetOf(m_dialog.GetSafeHwnd());
        ASSERT_NE(m_window, nullptr);
        m_window->show();
        Settle();
    }
    void TearDown() override {
        m_dialog.DestroyWindow();
        Settle();
        m_backend.reset();
    }

    // Moves the mouse to the middle of a control, of the version text for
    // kVersionText (the statics without links have no numbers of their own), or
    // to a corner of the box for 0.
    void MoveTo(int id) {
        QWidget* control = nullptr;
        if (id == kVersionText) {
            for (QLabel* label : m_window->findChildren<QLabel*>()) {
                if (label->text().startsWith(QStringLiteral("Kolm")))
                    control = label;
            }
        } else if (id != 0) {
            control = ControlWidget<QLabel>(*m_backend, m_dialog, id);
        }
        ASSERT_TRUE(id == 0 || control != nullptr);
        const QPoint where =
            control == nullptr ? QPoint(2, 2) : control->mapTo(m_window, control->rect().center());
        QTest::mouseMove(m_window->windowHandle(), where);
        Settle();
    }
    // What the window shows where the mouse is: the hand of cursor resource 132
    // has its hot spot at 13,5.
    bool ShowsTheHand() const {
        const QCursor shown = m_window->windowHandle()->cursor();
        return shown.shape() == Qt::BitmapCursor && shown.hotSpot() == QPoint(13, 5);
    }

    std::unique_ptr<qt::QtBackend> m_backend;
    AboutDialog m_dialog;
    QWidget* m_window = nullptr;
};

TEST_F(AboutBoxTest, TheHandShowsOverEachLinkWhereverTheMouseComesFrom) {
    struct Step {
        int from, to;
        bool hand;
    };
    const Step steps[] = {
        {0, IDC_WEB, true},
        {IDC_WEB, IDC_MAIL, true},
        {IDC_MAIL, IDC_WEB, true},
        {IDC_WEB, 0, false},
        {0, IDC_MAIL, true},
        {IDC_MAIL, kVersionText, false},
        {kVersionText, IDC_WEB, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.from << " to " << step.to);
        MoveTo(step.from);
        MoveTo(step.to);
        EXPECT_EQ(ShowsTheHand(), step.hand);
    }
}

// The version line and the addresses are the project's; each must show whole in
// the static the template gives it.
TEST_F(AboutBoxTest, EveryTextFitsItsStatic) {
    const auto labels = m_window->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 4); // the icon, the version line and the two links
    for (const QLabel* label : labels)
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
            << label->text().toStdString();
}

} // namespace
