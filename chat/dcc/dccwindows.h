#pragma once

// Gives every direct chat and transfer the hand-over announces a window in the
// main frame, and runs the commands typed in DCC chat windows through the main
// frame's command interpreter with no target.

class CDCCHandOver;

namespace tavern {
class CMainFrame;
}

void AttachDccWindows(CDCCHandOver &handOver, tavern::CMainFrame &mainFrame);
