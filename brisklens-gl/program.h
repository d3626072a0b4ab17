// The viewer as a program: everything from its start until its main window has closed.
#pragma once

namespace brisklens_gl {

// Loads OpenGL and GLU, starts the raster library, creates the forms and runs the main loop
// until the main window has closed; the process is ended after it
// (viewer::EndViewerProcess). Without either library it says so in a message box and
// answers false at once.
bool RunViewer();

}  // namespace brisklens_gl
