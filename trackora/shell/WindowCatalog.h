// Every window class of the program, registered with the window opener.
#pragma once

// Registers each window class once with its form name, global pointer and placement (idempotent).
void RegisterAllWindows();
