// The viewer as a program: everything from its start until its main window has closed.
#pragma once

namespace brisklens_soft {

// Starts the raster library, creates the forms and runs the main loop until the main
// window has closed. The process is ended after it (viewer::EndViewerProcess).
void RunViewer();

}  // namespace brisklens_soft
