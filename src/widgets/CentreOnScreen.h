#pragma once

class QWidget;

// Places a window in the middle of its screen's free area, frame included. Called from the
// first show, when the window knows its frame and its screen.
void centreOnScreen(QWidget *window);
