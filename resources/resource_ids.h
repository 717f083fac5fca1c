#pragma once
// Resource identifiers shared by the resource scripts and the code.
#define IDI_CORVANTA 1        /* application icon (16, 32, 48 px); Image1 of the main window */
#define IDR_LAYOUT_MAIN 100   /* main window layout (RCDATA) */
#define IDR_LAYOUT_SPLASH 101 /* splash window layout (RCDATA) */
#define IDB_SPLASH 200        /* splash picture, 396 x 200, 24 bpp */
