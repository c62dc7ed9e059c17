// The baseline: reads a file in 1 MiB chunks and does nothing else.
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) return 2;
    FILE* f = std::fopen(argv[1], "rb");
    if (f == nullptr) return 4;
    static unsigned char buffer[1 << 20];
    unsigned long long total = 0;
    unsigned char mix = 0;
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
        total += n;
        mix ^= buffer[n - 1];
    }
    std::fclose(f);
    return total == 0 && mix == 1 ? 1 : 0;
}
