// Linked with one library whole and its declared dependencies: see Targets.cmake.
int main() {
    return 0;
}
