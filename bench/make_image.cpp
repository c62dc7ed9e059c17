// Writes an HTP image of random data for benchmark recordings:
//   make_image OUT.htp NAME LENGTH SEED
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_image OUT.htp NAME LENGTH SEED\n");
        return 2;
    }
    const unsigned length = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    unsigned long long state = std::strtoull(argv[4], nullptr, 10) * 0x9E3779B97F4A7C15ull + 1;
    if (length > 65535 || std::strlen(argv[2]) > 63) {
        std::fprintf(stderr, "make_image: length must be at most 65535, name at most 63\n");
        return 2;
    }
    FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr) return 1;
    static unsigned char image[256 + 1 + 64 + 4 + 65535 + 2];
    size_t n = 256;
    image[n++] = 0xA5;
    for (const char* c = argv[2]; *c != '\0'; ++c) image[n++] = static_cast<unsigned char>(*c);
    image[n++] = 0;
    image[n++] = 0x00;
    image[n++] = 0x40;
    image[n++] = static_cast<unsigned char>(length & 0xFF);
    image[n++] = static_cast<unsigned char>(length >> 8);
    unsigned sum = 0;
    for (unsigned i = 0; i < length; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        image[n] = static_cast<unsigned char>(state >> 24);
        sum += image[n++];
    }
    image[n++] = static_cast<unsigned char>(sum);
    image[n++] = 0;
    const bool ok = std::fwrite(image, 1, n, f) == n;
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
