// The two-stage run of a file's data over a fixed set of buffers (see pipeline.h).
// Built with QLX_ONE_THREAD (the self-extractor, or a build that asks for it) it starts
// no thread and links no thread library: the caller runs both stages.
#include "container/pipeline.h"

#include <cstdlib>
#include <new>

#include "platform/processors.h"
#include "platform/wipe.h"

#if !defined(QLX_ONE_THREAD)
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#endif

namespace {

int g_threads = 0;  // set by PipelineSetThreads; 0: the machine decides

// The buffers of one run, wiped and freed when it ends.
class Buffers {
 public:
  Buffers(int count, std::size_t capacity, std::size_t notes) : count_(count) {
    for (int i = 0; i < count; ++i) {
      PipelineBuffer& b = buffers_[i];
      b = PipelineBuffer{};
      b.bytes = new (std::nothrow) std::uint8_t[capacity];
      b.notes = new (std::nothrow) std::uint16_t[notes > 0 ? notes : 1];
      b.capacity = capacity;
      b.note_capacity = notes;
      if (b.bytes == nullptr || b.notes == nullptr) ok_ = false;
    }
  }
  ~Buffers() {
    for (int i = 0; i < count_; ++i) {
      PipelineBuffer& b = buffers_[i];
      if (b.bytes) SecureWipe(b.bytes, b.capacity);
      delete[] b.bytes;
      delete[] b.notes;
    }
  }
  Buffers(const Buffers&) = delete;
  Buffers& operator=(const Buffers&) = delete;
  bool ok() const { return ok_; }
  PipelineBuffer& operator[](int i) { return buffers_[i]; }

 private:
  PipelineBuffer buffers_[PIPELINE_BUFFERS] = {};
  int count_;
  bool ok_ = true;
};

void Clear(PipelineBuffer& b) {
  b.size = 0;
  b.note_count = 0;
  b.last = false;
}

// Both stages on the caller's thread, one buffer.
PipelineResult RunInline(const PipelineStages& stages, PipelineBuffer& b) {
  for (;;) {
    Clear(b);
    if (!stages.produce(stages.context, &b)) return PIPELINE_STOPPED;
    if (!stages.consume(stages.context, &b)) return PIPELINE_STOPPED;
    if (stages.returned) stages.returned(stages.context, &b);
    if (b.last) return PIPELINE_DONE;
  }
}

#if !defined(QLX_ONE_THREAD)

// A queue of buffer numbers, first in first out.
struct Queue {
  int items[PIPELINE_BUFFERS];
  int head = 0;
  int count = 0;
  void Push(int i) { items[(head + count++) % PIPELINE_BUFFERS] = i; }
  int Pop() {
    const int i = items[head];
    head = (head + 1) % PIPELINE_BUFFERS;
    --count;
    return i;
  }
};

// What the two threads share, under the one mutex: free buffers go to the producer,
// full ones to the consumer. stopping ends both loops at their next wait.
struct Shared {
  std::mutex mutex;
  std::condition_variable changed;
  Queue free;
  Queue full;
  bool stopping = false;
  bool worker_done = false;
  bool returning[PIPELINE_BUFFERS] = {};  // consumed by the worker, not yet returned
};

void Stop(Shared& s) {
  std::lock_guard<std::mutex> lock(s.mutex);
  s.stopping = true;
  s.changed.notify_all();
}

// The producer's loop: takes free buffers, fills them, hands them on in order.
// caller: this is the caller's thread (it then reports the buffers the worker returns).
bool ProduceLoop(const PipelineStages& stages, Buffers& buffers, Shared& s, bool caller) {
  for (;;) {
    int i = 0;
    {
      std::unique_lock<std::mutex> lock(s.mutex);
      s.changed.wait(lock, [&] { return s.stopping || s.free.count > 0; });
      if (s.stopping) return false;
      i = s.free.Pop();
    }
    PipelineBuffer& b = buffers[i];
    if (caller && s.returning[i]) {
      s.returning[i] = false;
      if (stages.returned) stages.returned(stages.context, &b);
    }
    Clear(b);
    if (!stages.produce(stages.context, &b)) {
      Stop(s);
      return false;
    }
    std::lock_guard<std::mutex> lock(s.mutex);
    s.full.Push(i);
    s.changed.notify_all();
    if (b.last) return true;
  }
}

// The consumer's loop: takes full buffers in order, works them, gives them back.
// worker: this is the worker thread (its buffers then wait to be returned).
bool ConsumeLoop(const PipelineStages& stages, Buffers& buffers, Shared& s, bool worker) {
  for (;;) {
    int i = 0;
    {
      std::unique_lock<std::mutex> lock(s.mutex);
      s.changed.wait(lock, [&] { return s.stopping || s.full.count > 0 || s.worker_done; });
      if (s.stopping || s.full.count == 0) return false;  // stopped, or the producer ended without a last buffer
      i = s.full.Pop();
    }
    PipelineBuffer& b = buffers[i];
    if (!stages.consume(stages.context, &b)) {
      Stop(s);
      return false;
    }
    if (!worker && stages.returned) stages.returned(stages.context, &b);
    std::lock_guard<std::mutex> lock(s.mutex);
    if (worker) s.returning[i] = true;
    s.free.Push(i);
    s.changed.notify_all();
    if (b.last) return true;
  }
}

PipelineResult RunThreaded(const PipelineStages& stages, PipelineWorker side, Buffers& buffers) {
  Shared s;
  for (int i = 0; i < PIPELINE_BUFFERS; ++i) s.free.Push(i);
  bool worker_ok = false;
  auto work = [&] {
    const bool ok = side == PIPELINE_WORKER_PRODUCES ? ProduceLoop(stages, buffers, s, false)
                                                     : ConsumeLoop(stages, buffers, s, true);
    std::lock_guard<std::mutex> lock(s.mutex);
    worker_ok = ok;
    s.worker_done = true;
    s.changed.notify_all();
  };
  std::thread worker;
#if defined(__cpp_exceptions)
  try {
    worker = std::thread(work);
  } catch (const std::system_error&) {
    return RunInline(stages, buffers[0]);  // no thread to be had: the caller does it all
  }
#else
  worker = std::thread(work);
#endif
  const bool caller_ok = side == PIPELINE_WORKER_PRODUCES ? ConsumeLoop(stages, buffers, s, false)
                                                          : ProduceLoop(stages, buffers, s, true);
  if (!caller_ok) Stop(s);
  {
    std::unique_lock<std::mutex> lock(s.mutex);
    s.changed.wait(lock, [&] { return s.worker_done; });
  }
  worker.join();
  if (!caller_ok || !worker_ok) return PIPELINE_STOPPED;
  // Every buffer is back: the ones the worker consumed last are returned in order.
  if (stages.returned) {
    while (s.free.count > 0) {
      const int i = s.free.Pop();
      if (s.returning[i]) stages.returned(stages.context, &buffers[i]);
    }
  }
  return PIPELINE_DONE;
}

#endif  // !QLX_ONE_THREAD

}  // namespace

PipelineResult PipelineRun(const PipelineStages& stages, PipelineWorker worker, int threads, std::size_t capacity,
                           std::size_t notes) {
#if defined(QLX_ONE_THREAD)
  threads = 1;
#endif
  Buffers buffers(threads > 1 ? PIPELINE_BUFFERS : 1, capacity, notes);
  if (!buffers.ok()) return PIPELINE_NO_MEMORY;
#if !defined(QLX_ONE_THREAD)
  if (threads > 1) return RunThreaded(stages, worker, buffers);
#else
  (void)worker;
#endif
  return RunInline(stages, buffers[0]);
}

int PipelineThreads(std::uint64_t size) {
#if defined(QLX_ONE_THREAD)
  (void)size;
  return 1;
#else
  if (size < PIPELINE_THREAD_MIN) return 1;
  if (g_threads != 0) return g_threads;
  static const int chosen = [] {
    const char* asked = std::getenv("QLX_THREADS");
    if (asked != nullptr && (asked[0] == '1' || asked[0] == '2') && asked[1] == '\0') return asked[0] - '0';
    return ProcessorCount() >= 2 ? 2 : 1;
  }();
  return chosen;
#endif
}

void PipelineSetThreads(int threads) { g_threads = threads == 1 || threads == 2 ? threads : 0; }
