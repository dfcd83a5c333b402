// sortshow: sorts 20000 pseudo-random integers with selection, bubble, shaker
// and quick sort, generating fresh data before each method. The program only
// announces its steps; the profiling build's gmon.out shows what each method
// cost.
#include "sortshow.h"

#include <csignal>
#include <cstdio>

#if defined(_WIN32)
#include <cstdlib>

// The data come from the C runtime's rand (msvcrt.dll), never seeded.
namespace platform {
using std::rand;
}
#else
// Other C libraries have another rand, so the program carries the Windows C
// runtime's generator in its place: a 32-bit linear congruential generator
// that starts at 1 and yields 0 ... 32767. It stands for a library function,
// so it is always inlined: the profile shows no function of its own for it.
namespace platform {
namespace {
unsigned int stav = 1;
}

[[gnu::always_inline]] inline int rand()
{
    stav = stav * 214013u + 2531011u;
    return static_cast<int>((stav >> 16) & 0x7FFFu);
}
} // namespace platform
#endif

void generujpole(int* a, int size)
{
    for (int i = 0; i < size; i++) {
        a[i] = platform::rand() / 1000;
    }
}

void selectsort(int* a, int n)
{
    for (int i = 0; i <= n - 1; i++) {
        int min = i;
        for (int j = i + 1; j <= n - 1; j++) {
            if (a[j] < a[min]) {
                min = j;
            }
        }
        int pom = a[min];
        a[min] = a[i];
        a[i] = pom;
    }
}

void bubblesort(int* a, int n)
{
    for (int i = 0; i < n - 1; i++) {
        for (int j = n - 1; j > 0; j--) {
            if (a[j] < a[j - 1]) {
                int pom = a[j - 1];
                a[j - 1] = a[j];
                a[j] = pom;
            }
        }
    }
}

void shakersort(int* pole, int max)
{
    int l = 0;
    int r = max - 1;
    int k = r;
    do {
        for (int i = r; i > l; i--) {
            if (pole[i - 1] > pole[i]) {
                int pom = pole[i - 1];
                pole[i - 1] = pole[i];
                pole[i] = pom;
                k = i;
            }
        }
        l = k;
        for (int i = l; i < r; i++) {
            if (pole[i] > pole[i + 1]) {
                int pom = pole[i + 1];
                pole[i + 1] = pole[i];
                pole[i] = pom;
                k = i;
            }
        }
        r = k;
    } while (l < r);
}

void quicksort(int* a, int levy, int pravy)
{
    int dolnimez = levy;
    int hornimez = pravy;
    int mez = a[(levy + pravy) / 2];
    while (dolnimez <= hornimez) {
        while (a[dolnimez] < mez) {
            dolnimez++;
        }
        while (a[hornimez] > mez) {
            hornimez--;
        }
        if (dolnimez <= hornimez) {
            int temp = a[dolnimez];
            a[dolnimez] = a[hornimez];
            a[hornimez] = temp;
            dolnimez++;
            hornimez--;
        }
    }
    if (hornimez > levy) {
        quicksort(a, levy, hornimez);
    }
    if (dolnimez < pravy) {
        quicksort(a, dolnimez, pravy);
    }
}

int main()
{
#if defined(SIGPIPE)
    // A reader that goes away (a closed pipe) must not end the run: the write
    // fails like any other, and the steps and the profile go on.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    const int size = 20000;
    int a[size];

    // Every text is flushed at once, so that each announcement shows while its
    // step runs, also when standard output is a pipe or a file.
    std::printf("\nUkazka efektivnosti trideni pro 20000 prvku pole.");
    std::fflush(stdout);

    std::printf("\nGeneruji pole.");
    std::fflush(stdout);
    generujpole(a, size);
    std::printf("\nSelect Sort.");
    std::fflush(stdout);
    selectsort(a, size);

    std::printf("\nGeneruji pole.");
    std::fflush(stdout);
    generujpole(a, size);
    std::printf("\nBubble Sort.");
    std::fflush(stdout);
    bubblesort(a, size);

    std::printf("\nGeneruji pole.");
    std::fflush(stdout);
    generujpole(a, size);
    std::printf("\nShaker Sort.");
    std::fflush(stdout);
    shakersort(a, size);

    std::printf("\nGeneruji pole.");
    std::fflush(stdout);
    generujpole(a, size);
    std::printf("\nQuick Sort.");
    std::fflush(stdout);
    quicksort(a, 0, size - 1);

    std::puts("\n");

    // A lost transcript is not a success. Every step has run all the same, and
    // the profile is written at exit as usual.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("sortshow: chyba pri zapisu na standardni vystup\n", stderr);
        return 1;
    }
    return 0;
}
