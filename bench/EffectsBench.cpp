// Frame effects on a full-HD frame, reported as megapixels per second ("MP/s") of the calling
// thread's processor time. The pixel operations have to keep up with video rate on one core: run
// under `taskset -c 0` to measure them on one core (large passes are otherwise shared with a
// helper thread, whose time this figure leaves out).
#include "editing/effects/EffectsRenderer.h"
#include "editing/effects/JobEffectsRenderer.h"
#include "editing/effects/TextMask.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <random>

namespace {

using namespace orvel;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void FillNoise(Bitmap24& bitmap, unsigned seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width() * 3; ++x)
            bitmap.Row(y)[x] = static_cast<uint8_t>(rng());
}

Bitmap24& Frame() {
    static Bitmap24 frame(kWidth, kHeight);
    static const bool filled = (FillNoise(frame, 1), true);
    (void)filled;
    return frame;
}

void CountPixels(benchmark::State& state, int64_t pixelsPerIteration) {
    state.SetItemsProcessed(state.iterations() * pixelsPerIteration);
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixelsPerIteration) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

// Saturation 256 leaves the grey step out (one look-up per byte); any other value runs it.
void BM_AdjustColors(benchmark::State& state) {
    const int saturation = static_cast<int>(state.range(0));
    const BitmapView frame = Frame().View();
    for (auto _ : state) {
        AdjustColors(frame, 300, 20, saturation);
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_AdjustColors)->Arg(300)->Arg(256)->ArgName("saturation");

void BM_ApplyExposure(benchmark::State& state) {
    const BitmapView frame = Frame().View();
    for (auto _ : state) {
        ApplyExposure(frame, 100.0f);
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_ApplyExposure);

// A picture as large as the frame: the blend's worst case.
void BM_BlendPicture(benchmark::State& state) {
    Bitmap24 picture(kWidth, kHeight);
    FillNoise(picture, 2);
    const int style = static_cast<int>(state.range(0));
    const BitmapView frame = Frame().View();
    for (auto _ : state) {
        BlendPicture(frame, picture.View(), 0, 0, 168, style);
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_BlendPicture)->Arg(1)->Arg(2)->ArgName("style");

void BM_DrawWatermarkText(benchmark::State& state) {
    TWatermarkFont font;
    font.Size = 24;
    font.Bold = true;
    font.Color = 0xFFFFFF;
    const BitmapView frame = Frame().View();
    for (auto _ : state)
        DrawWatermarkText(frame, "Orvel Video Converter", font, 40, 40);
    CountPixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_DrawWatermarkText);

// The job a whole frame is rendered with below: text, a 320x240 picture read from its BMP file,
// colour adjustment and exposure.
EffectSettings WholeJob(const QString& picturePath) {
    return EffectSettings{.Brightness = 300,
                          .Contrast = 20,
                          .Saturation = 300,
                          .Exposure = 50,
                          .WatermarkText = "Orvel Video Converter",
                          .WatermarkFont = {.Size = 24},
                          .WatermarkImage = picturePath.toStdString(),
                          .ImageLeft = 1500,
                          .ImageTop = 700};
}

// Renders the whole job onto the frame with render(frame, settings), over and over.
template <class Render> void RenderWholeJob(benchmark::State& state, Render&& render) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("logo.bmp");
    QImage logo(320, 240, QImage::Format_RGB888);
    logo.fill(Qt::darkCyan);
    if (!logo.save(path, "BMP")) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    const EffectSettings s = WholeJob(path);
    const BitmapView frame = Frame().View();
    for (auto _ : state) {
        if (!render(frame, s)) {
            state.SkipWithError("render failed");
            break;
        }
    }
    CountPixels(state, int64_t{kWidth} * kHeight);
}

// One frame on its own: tables built, picture read and text drawn for this frame alone.
void BM_RenderJobEffects(benchmark::State& state) {
    RenderWholeJob(
        state, [](const BitmapView& frame, const EffectSettings& s) { return RenderJobEffects(frame, s); });
}
BENCHMARK(BM_RenderJobEffects);

// Frame after frame of one job, as the conversion hook renders them: tables, picture and text
// kept between frames.
void BM_JobEffectsRenderer(benchmark::State& state) {
    std::unique_ptr<TJobEffectsRenderer> renderer;
    RenderWholeJob(state, [&](const BitmapView& frame, const EffectSettings& s) {
        if (!renderer) renderer = std::make_unique<TJobEffectsRenderer>(s);
        return renderer->Render(frame);
    });
}
BENCHMARK(BM_JobEffectsRenderer);

// Recording a text once per job, which the frames of the job then replay.
void BM_TextMaskRecord(benchmark::State& state) {
    TWatermarkFont font;
    font.Size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TTextMask mask;
        if (!mask.Record("Orvel Video Converter", font, 40, 40)) {
            state.SkipWithError("text not recorded");
            break;
        }
    }
}
BENCHMARK(BM_TextMaskRecord)->Arg(18)->Arg(48)->ArgName("points")->Unit(benchmark::kMillisecond);

// A recorded text replayed onto a frame, as BM_DrawWatermarkText draws it.
void BM_TextMaskApply(benchmark::State& state) {
    TWatermarkFont font;
    font.Size = 24;
    font.Bold = true;
    font.Color = 0xFFFFFF;
    TTextMask mask;
    if (!mask.Record("Orvel Video Converter", font, 40, 40)) {
        state.SkipWithError("text not recorded");
        return;
    }
    const BitmapView frame = Frame().View();
    for (auto _ : state) {
        mask.Apply(frame);
        benchmark::ClobberMemory();
    }
    CountPixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_TextMaskApply);

} // namespace

int main(int argc, char** argv) {
    // Text needs Qt's fonts, which need a GUI application; no display is required.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
