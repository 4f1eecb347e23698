// The application title: the main window's caption and every message box's.
#pragma once

namespace orlindel::editor {

inline constexpr char kAppTitle[] = "Orlindel v0.5 by Brackwater";

}  // namespace orlindel::editor
