// Interactive mode: banner, pedigree file prompt, and the menu loop that
// changes the settings and starts analyses until Quit.
#pragma once

// Runs the whole interactive session on the console; returns the exit status:
// 0 at Quit or at the end of console input, 1 when the pedigree file cannot be
// opened or holds malformed data (after its message).
int runInteractive();
