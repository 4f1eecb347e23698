// The render command's drawing: Qt Gui on the offscreen platform, the same
// renderer as the editor's preview.
#include "cli_render/render_command.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/image_files.h"
#include "cli/json_output.h"
#include "cli/window_report.h"
#include "core/errors.h"
#include "core/firmware_document.h"
#include "core/text.h"
#include "render/background_picture.h"
#include "render/preview_renderer.h"

namespace orlindel::cli {

namespace {

// One of `words` (their index), or UsageError naming the option.
int Choice(const CommandLine& line, const std::string& option,
           std::initializer_list<const char*> words, int fallback) {
  const std::optional<std::string> value = line.Value(option);
  if (!value) return fallback;
  int index = 0;
  std::string list;
  for (const char* word : words) {
    if (*value == word) return index;
    list += (index++ == 0 ? "" : ", ") + std::string(word);
  }
  throw UsageError("bad value for " + option + ": " + *value + "; choose " +
                   list);
}

// Qt's own notes (a missing runtime folder and the like) would mix with the
// command's report on standard error; only its critical errors are shown.
void QuietQtMessages(QtMsgType type, const QMessageLogContext& /*context*/,
                     const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "orlindel-cli: %s\n", qUtf8Printable(message));
}

// Fonts and pictures need a Qt Gui application; without a display the
// offscreen platform draws the same.
void EnsureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietQtMessages);
  static int argc = 1;
  static char name[] = "orlindel-render";
  static char* argv[] = {name, nullptr};
  // Lives as long as the process; Qt wants it never destroyed before exit.
  static QGuiApplication* application = new QGuiApplication(argc, argv);
  (void)application;
}

// The picture format of `path`'s suffix, lower case; PNG for standard output.
QByteArray PictureFormat(const std::string& path) {
  if (path == kStandardStream) return "png";
  const QByteArray suffix =
      QFileInfo(QString::fromStdString(path)).suffix().toLower().toLatin1();
  if (!suffix.isEmpty() &&
      QImageWriter::supportedImageFormats().contains(suffix))
    return suffix;
  QString formats;
  for (const QByteArray& format : QImageWriter::supportedImageFormats())
    formats += (formats.isEmpty() ? "" : ", ") + QString::fromLatin1(format);
  throw UsageError("cannot write a picture named " + path +
                   ": its suffix names no picture format; the formats are " +
                   formats.toStdString());
}

}  // namespace

RenderSettings ParseRenderSettings(const CommandLine& line) {
  RenderSettings settings;
  const auto number = [&line](const std::string& option) {
    return static_cast<int>(ParseNumber(RequiredValue(line, option), 0,
                                        std::numeric_limits<uint8_t>::max(),
                                        option));
  };
  if (line.Value("--window")) settings.window = number("--window");
  if (line.Value("--second")) settings.second = number("--second");
  settings.tv_index = Choice(line, "--tv", {"pal", "ntsc"}, 0);
  settings.rects_mode = Choice(line, "--view", {"ntsc", "pal", "both"},
                               settings.tv_index == 0 ? 1 : 0);
  settings.safe_title = line.Has("--safe-title");
  settings.safe_action = line.Has("--safe-action");
  settings.background = line.Value("--background").value_or("");
  settings.background_mode =
      Choice(line, "--background-mode", {"top", "center", "stretch"}, 1);
  if (line.Value("--background-mode") && settings.background.empty())
    throw UsageError("--background-mode needs --background");
  return settings;
}

int RunRender(const CommandLine& line, CommandContext& context) {
  const std::string& input = FileArgument(line);
  const std::string output = RequiredValue(line, "-o");
  const RenderSettings settings = ParseRenderSettings(line);
  EnsureGuiApplication();
  const QByteArray format = PictureFormat(output);

  FirmwareDocument document(LoadInputImage(context, input));
  const WindowListInfo list = document.LocateWindowList();
  for (const int window : {settings.window, settings.second.value_or(0)})
    CheckWindowId(list, window);

  std::optional<QImage> background;
  if (!settings.background.empty()) {
    // A file that cannot be read is named with the system's reason ("No
    // such file or directory"), not as a picture that is not valid.
    LoadWholeFile(settings.background);
    try {
      background =
          render::LoadBmpPicture(QString::fromStdString(settings.background));
    } catch (const render::InvalidBitmapError& error) {
      throw FileError(FileError::Kind::kOpen, settings.background,
                      error.what());
    }
  }

  render::PreviewRequest request;
  request.image = document.image();
  request.window_list_pos = document.WindowListPos();
  request.max_window_index = document.MaxWindowIndex();
  request.tv_index = settings.tv_index;
  request.background_mode = settings.background_mode;
  if (background && !background->isNull()) request.background = &*background;
  request.safe_title = settings.safe_title;
  request.safe_action = settings.safe_action;
  request.rects_mode = settings.rects_mode;
  request.primary = settings.window;
  request.draw_second = settings.second.has_value();
  request.second = settings.second.value_or(0);
  const render::PreviewResult result = render::RenderPreview(request);

  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(result.bitmap))
    throw CommandRangeError("The picture could not be encoded as " +
                            format.toStdString() + ": " +
                            writer.errorString().toStdString());
  SaveOutputFile(context, output,
                 {reinterpret_cast<const uint8_t*>(bytes.constData()),
                  static_cast<size_t>(bytes.size())});

  if (context.json) {
    WriteJsonLine(context.out, Json{{"width", result.bitmap.width()},
                                    {"height", result.bitmap.height()},
                                    {"format", format.toStdString()}});
  } else {
    context.out << Format("Preview of %d x %d written to %s\n",
                          result.bitmap.width(), result.bitmap.height(),
                          output.c_str());
  }
  return kExitOk;
}

std::span<const CommandSpec> RenderCommands() {
  static const CommandSpec commands[] = {RenderCommand(RunRender)};
  return commands;
}

}  // namespace orlindel::cli
