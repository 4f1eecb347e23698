// One palette edit on a 10 MiB image, as dragging the palette's vertical
// scroll bar makes it: the document's window write with the image checksum
// and the edit list for the history, the full preview render and the palette
// fill. Beside it the
// straightforward path: the record written field by field and the checksum
// summed one word at a time. Runs on the off-screen platform unless another
// is asked for.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <stdexcept>

#include "bench/bench_images.h"
#include "core/firmware_document.h"
#include "core/window_list.h"
#include "editor/palette_window.h"
#include "editor/qt_user_dialogs.h"
#include "render/preview_renderer.h"
#include "tests/support/reference_scans.h"

namespace orlindel::bench {
namespace {

// The main window's side of the palette, which the bench does not need.
class NoHost : public editor::PaletteHost {
 public:
  void WriteBackWindow() override {}
  void BeginDrag() override {}
  void EndDrag() override {}
  bool IsWindowsPageActive() const override { return true; }
  QRect MainFrameGeometry() const override { return {}; }
  editor::UserDialogs& Dialogs() override { return dialogs_; }

 private:
  editor::QtUserDialogs dialogs_;  // never asked: nothing here fails
};

constexpr int kWindow = 3;

// The opened image with its window list, and the preview request the main
// window makes for window 3 on the Windows page.
struct OpenedImage {
  FirmwareImage image = BenchImage(ImageKind::kRealistic);
  WindowListInfo list = FindWindowList(image);
  FirmwareDocument document{image};

  OpenedImage() {
    if (list.count <= kWindow)
      throw std::logic_error("benchmark image has no window list");
    document.LocateWindowList();
  }

  render::PreviewRequest Request(ImageView shown) const {
    render::PreviewRequest request;
    request.image = shown;
    request.window_list_pos = list.offset;
    request.max_window_index = list.count - 1;
    request.primary = kWindow;
    return request;
  }
};

// Values as the scroll bar leaves them: the window one line lower or higher.
PaletteValues Moved(int step) {
  const int top = 40 + step % 2;
  return {520, top, 669, top + 79, 48, 0x83};
}

void RenderAndFill(const OpenedImage& opened, ImageView shown,
                   editor::TfrmWB& palette) {
  render::PreviewResult result = render::RenderPreview(opened.Request(shown));
  if (result.palette) palette.Fill(*result.palette);
  benchmark::DoNotOptimize(result.bitmap.constBits());
}

void BM_PaletteEdit(benchmark::State& state) {
  OpenedImage opened;
  NoHost host;
  editor::TfrmWB palette(host);
  int step = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        opened.document.WriteWindow(kWindow, Moved(step++)));
    RenderAndFill(opened, opened.document.image(), palette);
  }
}
BENCHMARK(BM_PaletteEdit)
    ->Name("BM_PaletteEdit/realistic")
    ->Unit(benchmark::kMillisecond);

void BM_PaletteEditStraightforward(benchmark::State& state) {
  OpenedImage opened;
  NoHost host;
  editor::TfrmWB palette(host);
  const int64_t record = WindowRecordOffset(opened.image, opened.list, kWindow);
  int step = 0;
  for (auto _ : state) {
    WriteWindowValues(opened.image, record, Moved(step++),
                      RecordBounds::kWholeRecord);
    testing::ReferenceFixImageChecksum(opened.image);
    RenderAndFill(opened, opened.image, palette);
  }
}
BENCHMARK(BM_PaletteEditStraightforward)
    ->Name("BM_PaletteEditStraightforward/realistic")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
