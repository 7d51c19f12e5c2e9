// Apartments: a worker thread gets a context of its own, a timer made there ticks only on that
// thread's loop, calls from another thread are refused, and objects are created only in an
// apartment.
#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "test_support.h"
#include "test_widget.h"
#include "tolvo/runtime/apartment.h"
#include "tolvo/runtime/create_object.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/message_loop.h"

namespace tolvo::runtime {
namespace {

constexpr int kPatienceMs = 5000;

TEST(Apartment, AWorkerGetsItsOwnContextCountedUntilTheLastLeave) {
  std::thread([] {
    EXPECT_FALSE(InApartment());
    EXPECT_EQ(EnterApartment(), S_OK);
    GMainContext* own = g_main_context_get_thread_default();
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, g_main_context_default());
    EXPECT_EQ(EnterApartment(), S_FALSE);  // nested: the same context, counted
    EXPECT_EQ(g_main_context_get_thread_default(), own);
    LeaveApartment();
    EXPECT_TRUE(InApartment());
    LeaveApartment();
    EXPECT_FALSE(InApartment());
    EXPECT_EQ(g_main_context_get_thread_default(), nullptr);

    // A context the host pushed itself is an apartment already and is left in place.
    GMainContext* hosts = g_main_context_new();
    g_main_context_push_thread_default(hosts);
    EXPECT_TRUE(InApartment());
    EXPECT_EQ(EnterApartment(), S_FALSE);
    LeaveApartment();
    EXPECT_EQ(g_main_context_get_thread_default(), hosts);
    g_main_context_pop_thread_default(hosts);
    g_main_context_unref(hosts);
  }).join();

  // The main thread's apartment is the global default context; entering changes nothing.
  EXPECT_TRUE(InApartment());
  EXPECT_EQ(EnterApartment(), S_FALSE);
  EXPECT_EQ(g_main_context_get_thread_default(), nullptr);
  LeaveApartment();
}

TEST(Apartment, AWorkersTimerTicksOnlyOnItsLoopAndCallsFromElsewhereAreRefused) {
  std::atomic<int> workerTicks{0};
  std::atomic<bool> tickedElsewhere{false}, created{false}, checked{false};
  std::unique_ptr<ApartmentTie> workerTie;
  std::thread worker([&] {
    EnterApartment();
    {
      workerTie = std::make_unique<ApartmentTie>();
      const std::thread::id self = std::this_thread::get_id();
      Timer timer(workerTie->Context(), 5, [&] {
        if (std::this_thread::get_id() != self) tickedElsewhere = true;
        ++workerTicks;
      });
      timer.Enable();
      created = true;
      EXPECT_EQ(workerTie->CheckCaller(u"The widget"), S_OK);
      EXPECT_TRUE(RunLoopUntil([&] { return workerTicks >= 3 && checked.load(); }, kPatienceMs));
    }
    workerTie.reset();
    LeaveApartment();
  });
  while (!created.load()) std::this_thread::yield();
  // The main thread's loop never runs the worker's timer.
  RunLoopUntil([] { return false; }, 30);
  ClearErrorInfo();
  EXPECT_EQ(workerTie->CheckCaller(u"The widget"), RPC_E_WRONG_THREAD);
  std::optional<ErrorInfo> info = GetErrorInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info->hresult, RPC_E_WRONG_THREAD);
  EXPECT_EQ(info->description.rfind(u"The widget belongs to the thread that created it", 0), 0u);
  checked = true;
  worker.join();
  EXPECT_GE(workerTicks.load(), 3);
  EXPECT_FALSE(tickedElsewhere.load());
}

TEST(Apartment, ObjectsAreCreatedOnlyOnAThreadInAnApartment) {
  std::thread([] {
    void* object = reinterpret_cast<void*>(1);
    auto expectRefused = [&](HRESULT hr) {
      EXPECT_EQ(hr, CO_E_NOTINITIALIZED);
      std::optional<ErrorInfo> info = GetErrorInfo();
      ASSERT_TRUE(info);
      EXPECT_NE(info->description.find(u"EnterApartment"), std::u16string::npos);
    };
    expectRefused(CreateObject(test::kTestWidgetProgId, test::IID_ITestWidget, &object));
    expectRefused(CreateObjectFromServer(TOLVO_TEST_SERVER_PATH, test::kTestWidgetClsid,
                                         test::IID_ITestWidget, &object));
    EXPECT_EQ(object, nullptr);

    EnterApartment();
    ComPtr<test::ITestWidget> widget;
    EXPECT_EQ(CreateObjectFromServer(TOLVO_TEST_SERVER_PATH, test::kTestWidgetClsid,
                                     test::IID_ITestWidget, widget.PutVoid()),
              S_OK);
    widget.Reset();
    LeaveApartment();
  }).join();
}

}  // namespace
}  // namespace tolvo::runtime
