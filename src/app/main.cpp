#include "app/startup.h"

int main(int argc, char** argv) {
    return modMain::Main(argc, argv);
}
