#include "platform/qt/OutsideWait.h"

#include "platform/framework/UiThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace qt {
namespace {

// How often the window's thread looks whether the answer is in.
constexpr int kLookMilliseconds = 20;

} // namespace

void WaitPainting(const std::function<bool()>& answered) {
    if (QCoreApplication::instance() == nullptr || !framework::OnUiThread() || answered())
        return;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (answered())
            loop.quit();
    });
    look.start(kLookMilliseconds);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace qt
