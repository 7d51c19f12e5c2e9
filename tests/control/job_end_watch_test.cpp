// The end of a job reported at once: the control asks the engine for its job-end descriptor and
// ticks as soon as it is readable, in the same order of events as a timer tick; without a
// descriptor the timer alone reports the end, as it always did.
#include <atomic>

#include "tolvo/platform/event_descriptor.h"
#include "tolvo_encode_object.h"
#include "tolvo_encode_scripted_engine.h"
#include "tolvo_encode_test_host.h"

namespace tolvo::test {
namespace {

using namespace control;

// A job that runs from "passfiles" until the test ends it; every tick asks "progress" once.
struct ScriptedJob {
  int32_t result = 0;
  int ticks = 0;

  void Attach(ScriptedEngine& engine) {
    engine.answer = [this](const std::string& command, std::u16string*, int32_t) -> int32_t {
      if (command == "passfiles") result = engine::kJobRunning;
      if (command == "progress") {
        ++ticks;
        return 42;
      }
      return command == "intreturn" ? result : 0;
    };
  }
  void End() { result = 0; }
};

class JobEndWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteWav(dir_ / "in.wav", WavFormat{.frames = 4410});
    auto engine = std::make_unique<ScriptedEngine>();
    engine_ = engine.get();
    job_.Attach(*engine_);
    control_ = ComPtr<_TolvoEncode>::Adopt(new TolvoEncode(std::move(engine)));
    ComPtr<runtime::IConnectionPointContainer> container;
    ASSERT_EQ(control_.As(runtime::IID_IConnectionPointContainer, &container), runtime::S_OK);
    ComPtr<runtime::IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID___TolvoEncode, point.Put()), runtime::S_OK);
    sink_ = ComPtr<EventSink>::Adopt(new EventSink());
    uint32_t cookie = 0;
    ASSERT_EQ(point->Advise(sink_.get(), &cookie), runtime::S_OK);
  }
  void Start() {
    Variant v;
    ASSERT_EQ(control_->MP3Encode(U16(dir_ / "in.wav"), U16(dir_ / "out.mp3"), 128, u"joint",
                                  u"normal", 0, 320, &v),
              runtime::S_OK);
  }
  void ExpectEndEvents() {
    ASSERT_EQ(sink_->heard.size(), 4u);
    EXPECT_EQ(sink_->heard[0].dispid, kDispidProgress);
    EXPECT_EQ(sink_->heard[0].number, 42);
    EXPECT_EQ(sink_->heard[1].dispid, kDispidErrorCode);
    EXPECT_EQ(sink_->heard[1].number, 0);
    EXPECT_EQ(sink_->heard[2].dispid, kDispidFinished);
    EXPECT_EQ(sink_->heard[3].dispid, kDispidProgress);
    EXPECT_EQ(sink_->heard[3].number, 100);
  }

  TempDir dir_;
  ScriptedJob job_;
  ScriptedEngine* engine_ = nullptr;
  ComPtr<_TolvoEncode> control_;
  ComPtr<EventSink> sink_;
};

TEST_F(JobEndWatchTest, TheEndIsReportedByTheDescriptorWithoutATimerTick) {
  platform::EventDescriptor signal = platform::EventDescriptor::Create();
  ASSERT_TRUE(signal.IsValid());
  engine_->jobEndDescriptor = signal.Descriptor();

  for (int job = 0; job < 2; ++job) {
    sink_->heard.clear();
    job_ = {};
    Start();
    // Only what is ready now is dispatched: the timer's first tick is 250 ms away, so whatever
    // ticks here was woken by the descriptor.
    // A signal while the job still runs (another control's job ended) ticks, and reports nothing.
    signal.Signal();
    ProcessPendingEvents();
    EXPECT_EQ(job_.ticks, 1);
    EXPECT_EQ(sink_->heard.size(), 1u);  // Progress(42) only

    job_.End();
    signal.Signal();
    ProcessPendingEvents();
    ASSERT_TRUE(sink_->JobEnded());
    EXPECT_EQ(job_.ticks, 2);
    ExpectEndEvents();

    // Once reported, the timer is off and later signals (other jobs) raise nothing.
    signal.Signal();
    RunLoopUntil([] { return false; }, 300);
    EXPECT_EQ(job_.ticks, 2);
    EXPECT_EQ(sink_->heard.size(), 4u);
  }
  EXPECT_EQ(engine_->jobEndAsked, 1);  // asked once per control

  // The control gives the descriptor back when it is destroyed.
  const auto closed = engine_->jobEndClosed;
  control_ = nullptr;
  EXPECT_EQ(*closed, std::vector<int32_t>{signal.Descriptor()});
}

TEST_F(JobEndWatchTest, AnEngineWithoutTheDescriptorIsPolledByTheTimerAlone) {
  // An engine that does not know the command answers 0: no descriptor, today's polling.
  engine_->jobEndDescriptor = 0;
  Start();
  job_.End();
  ASSERT_TRUE(RunLoopUntil([this] { return sink_->JobEnded(); }, 5000));
  ExpectEndEvents();
  EXPECT_EQ(job_.ticks, 1);
  EXPECT_EQ(engine_->jobEndAsked, 1);
  const auto closed = engine_->jobEndClosed;
  control_ = nullptr;
  EXPECT_TRUE(closed->empty());
}

}  // namespace
}  // namespace tolvo::test
