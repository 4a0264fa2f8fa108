#pragma once
// How assistive technology sees the program's windows. They are plain top-level widgets, which Qt
// would expose as a nameless kind of pane ("filler"); a screen reader then does not announce them as
// windows with their captions.

namespace sv::ui {

// Makes every plain top-level widget of the program a window, named by its caption, to assistive
// technology. Call it before a window is first shown, after the QApplication is made.
void exposeTopLevelWidgetsAsWindows();

}  // namespace sv::ui
