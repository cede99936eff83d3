// The program of a layer's link check (cmake/Layers.cmake): it does
// nothing; linking it is the check.
int main() { return 0; }
