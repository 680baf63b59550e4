#pragma once
// A few threads that live as long as the process and share the rows of one pixel pass with the
// thread that asks. Frames arrive at video rate, so starting threads per frame would cost more
// than the pass; these wait on a condition variable between frames.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace orvel {

class TRowPool {
public:
    // The process's pool: one thread fewer than the process may use cores (at most three), since
    // the asking thread takes bands too.
    static TRowPool& Shared();

    explicit TRowPool(int helpers);
    ~TRowPool();
    TRowPool(const TRowPool&) = delete;
    TRowPool& operator=(const TRowPool&) = delete;

    // Calls pass(firstRow, endRow) over bands that together cover rows [0, rows) once, and returns
    // when every band is done. Small passes, passes asked for while another one runs (a preview
    // and a conversion at once), and passes asked for by a thread whose scheduling differs from
    // the helpers' (a conversion at idle or lowered priority must not get work done at normal
    // priority) run whole on the calling thread. Rows must be independent of each other.
    template <class Pass> void ForRows(int rows, size_t bytesPerRow, Pass&& pass) {
        auto call = [](void* ctx, int y0, int y1) { (*static_cast<Pass*>(ctx))(y0, y1); };
        Run(rows, bytesPerRow, call, &pass);
    }

    int Threads() const { return static_cast<int>(helpers_.size()) + 1; }

private:
    using BandFn = void (*)(void*, int, int);
    void Run(int rows, size_t bytesPerRow, BandFn fn, void* ctx);
    void HelperLoop();
    // Takes and runs bands of the current pass until none is left; called with state_ locked.
    void RunBands(std::unique_lock<std::mutex>& lock);

    // Scheduling policy and nice value of a thread; helpers keep those of the pool's creator.
    struct TScheduling {
        int Policy = 0, Nice = 0;
        bool operator==(const TScheduling&) const = default;
    };
    static TScheduling CurrentScheduling();

    TScheduling helperScheduling_;
    std::mutex submit_; // one pass at a time
    std::mutex state_;
    std::condition_variable wake_;
    std::condition_variable done_;
    unsigned long generation_ = 0;
    bool stop_ = false;
    BandFn fn_ = nullptr;
    void* ctx_ = nullptr;
    int rows_ = 0;
    int bands_ = 0;
    int nextBand_ = 0;
    int pendingBands_ = 0;
    std::vector<std::thread> helpers_;
};

} // namespace orvel
