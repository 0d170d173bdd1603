/* The main window's title, in one place. The window shows it, and the build takes it from here
   for the Windows version record (icogen.rc includes this file) and the Linux desktop entry.
   Plain C preprocessor only, so the resource compiler can read it too. */
#pragma once

#define ICOGEN_WINDOW_TITLE "澄溪ICO图标生成器 V1.0 BY 墨舟 QQ：31415926"
