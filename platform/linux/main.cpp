#include "demo/run_program.h"

int main() {
    return runProgram();
}
