/// @file
/// The text output of a program without a console of its own. On Windows the
/// game is a program of the windows subsystem, which opens no console window
/// when it is started from Explorer; started from a console, it writes its
/// messages (--help, --version, what a run reports) there. Elsewhere the
/// output is always where the caller sent it. No globals.
/// @ingroup files
#pragma once

/// @addtogroup files
/// @{

/// on Windows, when standard output and standard error lead nowhere (not to a
/// file, a pipe or a console), writes them to the console of the process that
/// started this one, if it has one; does nothing elsewhere
void attach_parent_console();

/// @}
