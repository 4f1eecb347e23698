// The geometry of the TV picture the firmware draws on, and the bounds its
// window and message tables accept: each constant spelled once, for the
// analysis, the preview drawing, the editor's controls and the command line.
#pragma once

namespace orlindel {

// The picture: 720 pixels wide, 576 lines on PAL, 480 on NTSC.
inline constexpr int kTvWidth = 720;
inline constexpr int kPalLines = 576;
inline constexpr int kNtscLines = 480;

// The lines of the TV standard at `tv_index` (0 PAL, 1 NTSC).
constexpr int TvLines(int tv_index) {
  return tv_index == 0 ? kPalLines : kNtscLines;
}

// How far the firmware's tables may place a window or a message: a window's
// edges lie within 0..800 and 0..600, a message's position and size below
// 800 and 600. The edges a user edits stay within the picture itself.
inline constexpr int kTableMaxX = 800;
inline constexpr int kTableMaxY = 600;

}  // namespace orlindel
