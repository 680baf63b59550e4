// The custom hook's two conversions alone, on a textured YUV420P picture of 1280x720 and of
// 640x480: decoded picture -> bitmap, and a bitmap the handler changed throughout -> picture.
// Spread over 1 and over 2 threads; "cpu" is the processor time of the whole process (every
// thread), so the two-thread figures show what the split costs as well as what it gains.
// Afterwards the conversion back alone, BGR24 -> YUV 4:2:0 of a whole 1280x720 picture on one
// thread: the scaler library against our own converter, in megapixels per second and as a ratio.
#include "engine/pictures/BgrToYuv420.h"
#include "engine/pictures/HookBitmapConverter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

namespace {

using namespace orvel;

// Camera-like content: gradients under fine noise, so chroma differs from pixel to pixel.
FramePtr TexturedPicture(int width, int height) {
    Bitmap24 source(width, height);
    std::mt19937 rng(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = source.Row(y) + x * 3;
            const int noise = static_cast<int>(rng() % 32) - 16;
            p[0] = static_cast<uint8_t>(std::clamp(x * 255 / width + noise, 0, 255));
            p[1] = static_cast<uint8_t>(std::clamp(y * 255 / height + noise, 0, 255));
            p[2] = static_cast<uint8_t>(std::clamp(((x / 40 + y / 30) % 2) * 180 + 40 + noise, 0, 255));
        }
    FramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    TBitmapConverter converter;
    return converter.BitmapToPicture(source.View(), frame.get()) ? std::move(frame) : nullptr;
}

// Flips one bit of every byte: a change throughout the picture, as colour effects make.
void ChangeEverything(Bitmap24& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width() * 3; ++x)
            row[x] ^= 1;
    }
}

// args: width, height, threads
void BM_PictureToBitmap(benchmark::State& state) {
    FramePtr frame = TexturedPicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    THookBitmapConverter converter(static_cast<int>(state.range(2)));
    for (auto _ : state)
        if (!frame || !converter.PictureToBitmap(frame.get())) state.SkipWithError("conversion failed");
}

void BM_ChangedBitmapToPicture(benchmark::State& state) {
    FramePtr frame = TexturedPicture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    THookBitmapConverter converter(static_cast<int>(state.range(2)));
    for (auto _ : state) {
        state.PauseTiming();
        const bool loaded = frame && converter.PictureToBitmap(frame.get());
        if (loaded) ChangeEverything(converter.Bitmap());
        state.ResumeTiming();
        if (!loaded || !converter.BitmapToPicture(frame.get())) state.SkipWithError("conversion failed");
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int threads : {1, 2}) {
        b->Args({1280, 720, threads});
        b->Args({640, 480, threads});
    }
    b->ArgNames({"w", "h", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

BENCHMARK(BM_PictureToBitmap)->Apply(Sizes);
BENCHMARK(BM_ChangedBitmapToPicture)->Apply(Sizes);

struct Cost {
    double wall = 0, cpu = 0;
};

// Rounds alternate between the two converters, so a busy machine disturbs both alike.
void CompareConverters() {
    const int width = 1280, height = 720, frames = 50, rounds = 6;
    FramePtr frame = TexturedPicture(width, height);
    THookBitmapConverter source(1);
    if (!frame || !source.PictureToBitmap(frame.get())) return;
    const Bitmap24& bitmap = source.Bitmap();
    TCachedScaler scaler;
    if (!CachedScaler(scaler, width, height, AV_PIX_FMT_BGR24, width, height, AV_PIX_FMT_YUV420P)) return;
    const uint8_t* src[4] = {bitmap.Bits(), nullptr, nullptr, nullptr};
    const int srcLines[4] = {bitmap.Stride(), 0, 0, 0};
    const auto measure = [&](auto&& convert) {
        const auto wall = std::chrono::steady_clock::now();
        const std::clock_t cpu = std::clock();
        for (int i = 0; i < frames; ++i)
            convert();
        return Cost{std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(),
                    double(std::clock() - cpu) / CLOCKS_PER_SEC};
    };
    Cost library, ours;
    for (int r = 0; r < rounds; ++r) {
        const Cost a =
            measure([&] { sws_scale(scaler.get(), src, srcLines, 0, height, frame->data, frame->linesize); });
        const Cost b = measure([&] {
            BgrToYuv420Rows(bitmap.Bits(), bitmap.Stride(), width, height, 0, height, frame->data,
                            frame->linesize);
        });
        library.wall += a.wall, library.cpu += a.cpu, ours.wall += b.wall, ours.cpu += b.cpu;
    }
    const double megapixels = double(width) * height * frames * rounds / 1e6;
    std::printf(
        "BGR24 -> YUV420P 1280x720, one thread: scaler %.0f MP/s (cpu %.0f), ours %.0f MP/s (cpu %.0f); "
        "ours / scaler speed: %.2f (cpu %.2f)\n",
        megapixels / library.wall, megapixels / library.cpu, megapixels / ours.wall, megapixels / ours.cpu,
        library.wall / ours.wall, library.cpu / ours.cpu);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CompareConverters();
    return 0;
}
