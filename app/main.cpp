// Vantrel Plus: the program's entry point.
#include <cstdio>

int main() {
    std::printf("Vantrel Plus 2.6\n");
    return 0;
}
