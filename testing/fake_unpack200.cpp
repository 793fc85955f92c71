// A stand-in for unpack200.exe: "-r PACK JAR" turns a pack file made by the tests (the text
// "QDRPACK200\n" followed by the jar's bytes) into the jar, and removes the pack file as -r asks.
// It ends with 1 on anything else.
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    // The launcher passes "-r" first, without the program name in front.
    int first = strcmp(argv[0], "-r") == 0 ? 1 : 2;
    if (argc < first + 2) return 1;
    FILE* pack = fopen(argv[first], "rb");
    if (!pack) return 1;
    std::string bytes;
    char chunk[4096];
    for (std::size_t got; (got = fread(chunk, 1, sizeof chunk, pack)) > 0;) bytes.append(chunk, got);
    fclose(pack);
    const std::string header = "QDRPACK200\n";
    if (bytes.compare(0, header.size(), header) != 0) return 1;
    FILE* jar = fopen(argv[first + 1], "wb");
    if (!jar) return 1;
    fwrite(bytes.data() + header.size(), 1, bytes.size() - header.size(), jar);
    fclose(jar);
    remove(argv[first]);
    return 0;
}
