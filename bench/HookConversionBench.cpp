// The custom hook's two conversions alone, on a textured YUV420P picture of 1280x720 and of
// 640x480: decoded picture -> bitmap, and a bitmap the handler changed throughout -> picture.
// Spread over 1 and over 2 threads; "cpu" is the processor time of the whole process (every
// thread), so the two-thread figures show what the split costs as well as what it gains.
#include "engine/HookBitmapConverter.h"

#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK_MAIN();
