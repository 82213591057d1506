#include "tests/framework/TestDialog.h"

#include "platform/framework/CCriticalSection.h"
#include "platform/framework/UiThread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Records on which thread the list box served each request.
class WatchedListBox : public CListBox {
public:
    std::vector<bool> servedOnUiThread;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        servedOnUiThread.push_back(framework::OnUiThread());
        return CListBox::WindowProc(message, wParam, lParam);
    }
};

class WatchedBackend : public framework::HeadlessBackend {
public:
    std::vector<bool> shownOnUiThread;
    int ShowMessageBox(HWND owner, const CString& text, const CString& caption,
                       UINT type) override {
        shownOnUiThread.push_back(framework::OnUiThread());
        return HeadlessBackend::ShowMessageBox(owner, text, caption, type);
    }
};

// If the user-interface thread does not serve hand-overs while it waits, the
// rescuer serves them after a long while instead, so that a broken rule fails
// the test rather than hanging it.
class Rescuer {
public:
    Rescuer()
        : m_thread([this] {
              std::unique_lock lock(m_mutex);
              if (m_changed.wait_for(lock, std::chrono::seconds(20), [this] { return m_done; }))
                  return;
              m_rescued = true;
              while (!m_done) {
                  lock.unlock();
                  framework::ServeUiRequests();
                  lock.lock();
                  m_changed.wait_for(lock, std::chrono::milliseconds(10));
              }
          }) {}
    ~Rescuer() { Finish(); }

    // True when the rescuer had to step in.
    bool Finish() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_rescued;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    bool m_rescued = false;
    std::thread m_thread;
};

class ThreadRules : public ::testing::Test {
protected:
    void SetUp() override {
        InstallTestTemplates();
        backend.Open(dialog);
        CDataExchange exchange(&dialog, TRUE);
        DDX_Control(&exchange, LABEL, list); // any control will do as the window
    }
    void TearDown() override { backend.Close(dialog); }

    WatchedBackend backend;
    TestDialog dialog;
    WatchedListBox list;
};

} // namespace

TEST_F(ThreadRules, AWorkersSendMessageIsServedOnTheUiThreadWhileTheWorkerWaits) {
    std::atomic<bool> done{false};
    LRESULT count = -1;
    std::thread worker([&] {
        SendMessageA(list.m_hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
        list.AddString("two");
        count = SendMessageA(list.m_hWnd, LB_GETCOUNT, 0, 0);
        done = true;
    });
    EXPECT_TRUE(backend.RunUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(count, 2);
    EXPECT_EQ(list.servedOnUiThread, std::vector<bool>(3, true));
    EXPECT_EQ(backend.Items(LABEL), (std::vector<CString>{"one", "two"}));
}

TEST_F(ThreadRules, AWorkersMessageBoxIsShownOnTheUiThreadAndAnsweredThere) {
    CWinApp app("Kolm");
    app.m_pMainWnd = &dialog;
    backend.boxAnswers = {IDCANCEL};
    std::atomic<int> answer{0};
    std::thread worker([&] { answer = AfxMessageBox("from the job", MB_ICONEXCLAMATION); });
    EXPECT_TRUE(backend.RunUntil([&] { return answer.load() != 0; }));
    worker.join();
    EXPECT_EQ(answer.load(), IDCANCEL);
    EXPECT_EQ(backend.shownOnUiThread, std::vector<bool>{true});
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_TRUE(backend.boxes[0].owned);
}

// The scan under STOP: the worker holds the lock and adds a line, which needs the
// user-interface thread, while that thread waits for the lock. Without the rule
// that the waiting thread serves hand-overs, each waits for the other for ever.
TEST_F(ThreadRules, AUiThreadWaitingForTheLockServesAWorkerThatHoldsIt) {
    CCriticalSection lock;
    std::atomic<bool> locked{false};
    std::thread worker([&] {
        lock.Lock();
        locked = true;
        list.AddString("line");
        MessageBoxA(nullptr, "failed", "Error", MB_ICONINFORMATION);
        lock.Unlock();
    });
    while (!locked)
        std::this_thread::yield();
    Rescuer rescuer;
    lock.Lock();
    lock.Unlock();
    bool rescued = rescuer.Finish();
    worker.join();
    EXPECT_FALSE(rescued) << "the user-interface thread did not serve while it waited";
    EXPECT_EQ(backend.Items(LABEL), std::vector<CString>{"line"});
    EXPECT_EQ(backend.boxes.size(), 1u);
}

TEST(NoBackend, ABoxIsAnsweredOnTheThreadThatAsks) {
    std::atomic<int> answer{0};
    std::thread worker([&] { answer = MessageBoxA(nullptr, "x", "Error", MB_OK); });
    worker.join();
    EXPECT_EQ(answer.load(), IDOK);
}
