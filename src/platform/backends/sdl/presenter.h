/// @file
/// How the SDL backend puts an 8-bit frame into its window: a presenter draws a
/// frame into the window's back buffer, scaled whole with its aspect kept and
/// black bars around it (fit_frame), and a swap shows it. Drawing and swapping
/// are separate calls, so that the work of a frame can be measured apart from the
/// wait for the display. Two presenters exist: cpu_presenter (palette expansion
/// on the CPU into an SDL texture) and gl_presenter (a palette lookup in an
/// OpenGL shader).
/// @ingroup backends
#pragma once

#include "platform/system/backend.h"

/// @addtogroup backends
/// @{

/// What a draw did: drew the frame for the swap; drew nothing this time (the
/// next frame is to be given whole); or found its device gone, so that the
/// presenter can draw no more and is to be replaced.
enum class DrawResult { drawn, retry, lost };

/// Draws the frames of the SDL backend's window and shows them.
class Presenter {
public:
    virtual ~Presenter() = default;
    /// draws the frame for the next swap: of what the last frame drawn showed,
    /// the frame's changed rows and, when it says so, its palette; with whole,
    /// everything (the window lost its picture, or the last draw was retried).
    /// A presenter also draws whole its first frame and one of another size.
    virtual DrawResult draw(const PresentedFrame& frame, bool whole) = 0;
    /// shows what the last draw drew
    virtual void swap() = 0;
    /// fills the window black and shows it: when the window opened, changed its
    /// size or went to or from full screen (a draw after a change of size comes
    /// after this swap, at which OpenGL drivers take the window's new size)
    virtual void show_black() = 0;
    /// "gl" or "cpu", for messages
    virtual const char* name() const = 0;
};

/// @}
