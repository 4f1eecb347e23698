#include "editor/transfer_actions.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/firmware_image.h"
#include "core/io/bounded_read.h"
#include "core/layout/layout.h"
#include "editor/app_settings.h"
#include "editor/export_names.h"
#include "editor/local_path.h"
#include "editor/patch_files.h"

namespace orlindel::editor {

namespace {

io::FileBytes ReadFile(const QString& path) {
  return io::ReadWholeFile(LocalPath(path), kMaxImageSize);
}

// One group of the import summary: its title and count, then its names one
// a line.
QString SummaryGroup(const QString& title, const QStringList& names,
                     bool list_names) {
  QString html = QString("<p><b>%1: %2</b>").arg(title).arg(names.size());
  if (list_names)
    for (const QString& name : names) html += "<br>" + name.toHtmlEscaped();
  return html + "</p>";
}

}  // namespace

void ApplyPatchFromFile(EditorDocument& editor, UserDialogs& dialogs) {
  if (editor.Document().labeller() == nullptr) return;  // no firmware
  const std::optional<QString> chosen = dialogs.OpenPatch(QString());
  if (!chosen) return;
  const io::FileBytes patch = ReadFile(*chosen);
  editor.Perform("Apply patch " + QFileInfo(*chosen).fileName(),
                 [&patch](FirmwareDocument& document) {
                   return document.ApplyPatch(patch);
                 });
  RememberFolder(FileKind::kPatch, *chosen);
}

void ExportPatchToFile(EditorDocument& editor, UserDialogs& dialogs) {
  const FirmwareDocument& document = editor.Document();
  if (document.labeller() == nullptr) return;  // no firmware
  if (document.image() == document.opened()) {
    dialogs.ShowInformation(
        "Export patch",
        "The firmware holds no changes since it was opened: there is "
        "nothing to export.");
    return;
  }
  const std::optional<QString> chosen =
      dialogs.SavePatch(ExportName(editor.OpenedPath(), ".ips"));
  if (!chosen) return;
  // ".bps" chooses a BPS patch, which only applies to the file as opened.
  dialogs.ShowSaveNotice(SaveWholeFile(
      LocalPath(*chosen),
      PatchFileFor(*chosen, document.opened(), document.image())));
  RememberFolder(FileKind::kPatch, *chosen);
}

void ExportLayoutToFile(EditorDocument& editor, UserDialogs& dialogs) {
  const FirmwareDocument& document = editor.Document();
  if (document.labeller() == nullptr) return;
  const std::optional<QString> chosen =
      dialogs.SaveLayout(ExportName(editor.FilePath(), "-layout.json"));
  if (!chosen) return;
  const std::string text =
      LayoutToJson(ExportLayout(document.trace_model(), document.image()));
  dialogs.ShowSaveNotice(SaveWholeFile(
      LocalPath(*chosen),
      {reinterpret_cast<const uint8_t*>(text.data()), text.size()}));
  RememberFolder(FileKind::kLayout, *chosen);
}

QString LayoutImportSummary(const LayoutImport& import) {
  QStringList changed, unchanged, not_applied;
  for (const LayoutItem& item : import.items) {
    const QString name = QString::fromStdString(LayoutItemName(item));
    switch (item.outcome) {
      case LayoutOutcome::kChanged:
        changed << name;
        break;
      case LayoutOutcome::kIdentical:
        unchanged << name;
        break;
      case LayoutOutcome::kNotApplied:
        not_applied << name + ": " + QString::fromStdString(item.reason);
        break;
      case LayoutOutcome::kSkipped:
        break;
    }
  }
  // What the firmware already held is only counted.
  return "<p>Layout imported.</p>" + SummaryGroup("Changed", changed, true) +
         SummaryGroup("Unchanged", unchanged, false) +
         SummaryGroup("Not applied", not_applied, true);
}

void ImportLayoutFromFile(EditorDocument& editor, UserDialogs& dialogs) {
  if (editor.Document().labeller() == nullptr) return;
  const std::optional<QString> chosen = dialogs.OpenLayout(QString());
  if (!chosen) return;
  const io::FileBytes bytes = ReadFile(*chosen);
  const Layout layout = LayoutFromJson(std::string_view(
      reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const QString text = "Import layout " + QFileInfo(*chosen).fileName();
  LayoutImport import;
  const auto import_parts = [&](const LayoutParts& parts) {
    editor.Perform(text, [&](FirmwareDocument& document) {
      import = document.ImportLayout(layout, parts, false);
      return import.edits;
    });
  };
  try {
    // No part named: a layout that does not wholly fit is refused whole.
    import_parts({});
  } catch (const LayoutMisfitError& refusal) {
    if (!dialogs.AskQuestion(
            "Import layout",
            QString::fromStdString(refusal.what()) +
                "\n\nImport the parts that fit and leave out the rest?"))
      return;
    // Every part named: what fits is applied, the rest reported.
    import_parts({true, true, true});
  }
  RememberFolder(FileKind::kLayout, *chosen);
  dialogs.ShowInformation("Import layout", LayoutImportSummary(import));
}

void ExportPreviewToFile(const QImage& bitmap, const QString& firmware_path,
                         UserDialogs& dialogs) {
  const std::optional<QString> chosen =
      dialogs.SavePicture(ExportName(firmware_path, "-preview.png"));
  if (!chosen) return;
  const QByteArray format = QFileInfo(*chosen).suffix().toLower().toLatin1();
  if (format.isEmpty() ||
      !QImageWriter::supportedImageFormats().contains(format))
    throw FileError(FileError::Kind::kCreate, LocalPath(*chosen),
                    "Its suffix names no picture format that can be written.");
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(bitmap))
    throw FileError(FileError::Kind::kCreate, LocalPath(*chosen),
                    writer.errorString().toStdString());
  dialogs.ShowSaveNotice(SaveWholeFile(
      LocalPath(*chosen), {reinterpret_cast<const uint8_t*>(bytes.constData()),
                           static_cast<size_t>(bytes.size())}));
  RememberFolder(FileKind::kPicture, *chosen);
}

}  // namespace orlindel::editor
