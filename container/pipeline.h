// One file's data through two stages over a fixed set of buffers: the producer fills
// a buffer, the consumer works it, and the buffer goes back to be filled again, in
// order. With two threads one stage runs on a worker thread while the other runs on the
// thread that called the operation; with one thread (a one-processor machine, the
// one-thread build, or when asked) the caller runs both stages in turn, on one buffer.
// The stages are the same code either way.
//
// Only the caller's thread may touch process-wide state: the progress receiver and its
// cancel answer, message boxes, the random source, the DES schedule area. A stage that
// may run on the worker thread leaves what the caller must report in its buffer's notes;
// the caller's stage reports them when the buffer reaches it (returned, below).
#pragma once

#include <cstddef>
#include <cstdint>

// Buffers in the ring when two threads run: memory stays at this many buffers whatever
// the size of the file.
constexpr int PIPELINE_BUFFERS = 4;
// Data smaller than this is not worth a thread: the caller runs both stages.
constexpr std::uint64_t PIPELINE_THREAD_MIN = 256 * 1024;

struct PipelineBuffer {
  std::uint8_t* bytes;
  std::size_t capacity;
  std::size_t size;         // bytes filled
  std::uint16_t* notes;     // counts left for the caller's thread to report
  std::size_t note_capacity;
  std::size_t note_count;
  bool last;                // the producer's last buffer (it may hold no data)
};

// The stages, called with their context. produce fills a buffer (size, notes, last);
// consume works it. A stage that answers false stops the run (the stage keeps why).
// returned, which may be nullptr, is called on the caller's thread with every buffer
// once it is consumed, in order, before the buffer is filled again or the run ends.
struct PipelineStages {
  void* context;
  bool (*produce)(void* context, PipelineBuffer* buffer);
  bool (*consume)(void* context, PipelineBuffer* buffer);
  void (*returned)(void* context, PipelineBuffer* buffer);
};

// Which stage the worker thread takes when there is one.
enum PipelineWorker { PIPELINE_WORKER_PRODUCES, PIPELINE_WORKER_CONSUMES };

enum PipelineResult {
  PIPELINE_DONE,       // the last buffer was consumed
  PIPELINE_STOPPED,    // a stage answered false
  PIPELINE_NO_MEMORY,  // the buffers could not be had; no stage was called
};

// Runs the stages until the producer's last buffer has been consumed or a stage stops.
// threads: 2 puts one stage on a worker thread (one that cannot be started leaves the
// caller running both); 1 keeps everything on the caller's thread. capacity: bytes per
// buffer; notes: notes per buffer. The buffers are wiped before they are freed.
PipelineResult PipelineRun(const PipelineStages& stages, PipelineWorker worker, int threads, std::size_t capacity,
                           std::size_t notes);

// The threads an operation gives the data of one item: 2 on a machine with two or more
// processors, 1 on a one-processor machine and in the one-thread build. The environment
// variable QLX_THREADS (1 or 2) overrides the machine's count, for measurements.
// size: the item's bytes (a small item gets 1).
int PipelineThreads(std::uint64_t size);
// Tests and benchmarks: 1 or 2 threads whatever the machine (2 has no effect in the
// one-thread build); 0 gives the choice back to the machine.
void PipelineSetThreads(int threads);
