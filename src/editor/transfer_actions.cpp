#include "editor/transfer_actions.h"

#include <QBuffer>
#include <QByteArray>
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
#include "editor/local_path.h"

namespace orlindel::editor {

namespace {

std::vector<uint8_t> ReadFile(const QString& path) {
  return io::ReadWholeFile(LocalPath(path), kMaxImageSize);
}

void AppendGroup(QString& text, const QString& title,
                 const QStringList& names) {
  text += QString("\n%1 %2").arg(names.size()).arg(title);
  if (!names.isEmpty()) text += ": " + names.join(", ");
}

}  // namespace

void ApplyPatchFromFile(EditorDocument& editor, UserDialogs& dialogs) {
  if (editor.Document().labeller() == nullptr) return;  // no firmware
  const std::optional<QString> chosen = dialogs.OpenPatch(QString());
  if (!chosen) return;
  const std::vector<uint8_t> patch = ReadFile(*chosen);
  editor.Perform("Apply patch " + QFileInfo(*chosen).fileName(),
                 [&patch](FirmwareDocument& document) {
                   return document.ApplyPatch(patch);
                 });
  emit editor.ImageChanged();
}

void ExportLayoutToFile(EditorDocument& editor, UserDialogs& dialogs) {
  const FirmwareDocument& document = editor.Document();
  if (document.labeller() == nullptr) return;
  const std::optional<QString> chosen = dialogs.SaveLayout(QString());
  if (!chosen) return;
  const std::string text = LayoutToJson(ExportLayout(document.image()));
  SaveWholeFile(LocalPath(*chosen),
                {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

QString LayoutImportSummary(const LayoutImport& import) {
  QStringList changed, identical, not_applied;
  for (const LayoutItem& item : import.items) {
    const QString name = QString::fromStdString(LayoutItemName(item));
    switch (item.outcome) {
      case LayoutOutcome::kChanged:
        changed << name;
        break;
      case LayoutOutcome::kIdentical:
        identical << name;
        break;
      case LayoutOutcome::kNotApplied:
        not_applied << name + " (" + QString::fromStdString(item.reason) + ")";
        break;
      case LayoutOutcome::kSkipped:
        break;
    }
  }
  QString text = "Layout imported:";
  AppendGroup(text, "changed", changed);
  AppendGroup(text, "identical", identical);
  AppendGroup(text, "not applied", not_applied);
  return text;
}

void ImportLayoutFromFile(EditorDocument& editor, UserDialogs& dialogs) {
  if (editor.Document().labeller() == nullptr) return;
  const std::optional<QString> chosen = dialogs.OpenLayout(QString());
  if (!chosen) return;
  const std::vector<uint8_t> bytes = ReadFile(*chosen);
  const Layout layout = LayoutFromJson(std::string_view(
      reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  LayoutImport import;
  // No part named: a layout that does not wholly fit is refused whole.
  try {
    editor.Perform("Import layout " + QFileInfo(*chosen).fileName(),
                   [&](FirmwareDocument& document) {
                     import = document.ImportLayout(layout, {}, false);
                     return import.edits;
                   });
  } catch (const LayoutMisfitError& error) {
    throw LayoutError(std::string(error.what()) +
                      "\nImport only the parts that fit to apply the rest.");
  }
  emit editor.ImageChanged();
  dialogs.ShowInformation(
      "Import layout",
      LayoutImportSummary(import).toHtmlEscaped().replace("\n", "<br>"));
}

void ExportPreviewToFile(const QImage& bitmap, UserDialogs& dialogs) {
  const std::optional<QString> chosen = dialogs.SavePicture(QString());
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
  SaveWholeFile(LocalPath(*chosen),
                {reinterpret_cast<const uint8_t*>(bytes.constData()),
                 static_cast<size_t>(bytes.size())});
}

}  // namespace orlindel::editor
