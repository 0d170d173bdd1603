// icogen: turns a picture into a Windows icon file.
#include "app/program.h"

int main(int argc, char** argv) {
    return icogen::app::runProgram(argc, argv);
}
