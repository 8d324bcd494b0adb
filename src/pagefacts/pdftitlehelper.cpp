// marrowdale-pdf-title FILE: prints the Title of a PDF's metadata, in UTF-8. It runs apart from the
// program, with little time and memory: a damaged or hostile PDF (a compressed stream that inflates to
// gigabytes, say) ends this process, never the program's pass.
#include <poppler-document.h>

#include <cstdio>
#include <memory>

#include <sys/resource.h>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const rlimit cpu {2, 2};
    const rlimit memory {512ul << 20, 512ul << 20};
    setrlimit(RLIMIT_CPU, &cpu);
    setrlimit(RLIMIT_AS, &memory);
    const std::unique_ptr<poppler::document> document(poppler::document::load_from_file(argv[1]));
    if (!document || document->is_locked())
        return 1;
    const poppler::byte_array title = document->get_title().to_utf8();
    std::fwrite(title.data(), 1, title.size(), stdout);
    return 0;
}
