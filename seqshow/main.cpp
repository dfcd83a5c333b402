// seqshow: computes the 40th Fibonacci number by plain double recursion and by
// iteration. The profiling build's gmon.out sets the recursion's hundreds of
// millions of calls against the iteration's one.
#include "seqshow.h"

#include <csignal>
#include <cstdio>

// F(46) = 1836311903 is the last Fibonacci number that fits an int. For a
// larger argument both functions return -1, a value no Fibonacci number has,
// instead of overflowing.
const int posledni = 46;

int Fibonacci_rekurzivne(int to)
{
    if (to < 0) {
        return 0;
    }
    if (to > posledni) {
        return -1;
    }
    if (to == 0) {
        return 0;
    }
    if (to == 1) {
        return 1;
    }
    // The call for to - 1 comes first: C++ fixes no order for the operands of +.
    int r = Fibonacci_rekurzivne(to - 1);
    return r + Fibonacci_rekurzivne(to - 2);
}

int Fibonacci_iteraci(int to)
{
    if (to > posledni) {
        return -1;
    }
    if (to == 0) {
        return 0;
    }
    if (to == 1) {
        return 1;
    }
    int last_last = 0;
    int last = 1;
    int result = 0;
    for (int i = 1; i < to; i++) {
        result = last_last + last;
        last_last = last;
        last = result;
    }
    return result;
}

int main(int, char**)
{
#if defined(SIGPIPE)
    // A reader that goes away (a closed pipe) must not end the run: the write
    // fails like any other, and the steps and the profile go on.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    int r = 0;
    int i = 0;
    int vstup = 40;

    // Every text is flushed at once, so that each heading shows while its
    // computation runs, also when standard output is a pipe or a file.
    std::puts("Rekurzivni vypocet fibonaciho cisla 40. clenu posloupnosti");
    std::fflush(stdout);
    r = Fibonacci_rekurzivne(vstup);
    std::printf("%i\n", r);
    std::fflush(stdout);

    std::puts("Iterativni vypocet fibonaciho cisla 40. clenu posloupnosti");
    std::fflush(stdout);
    i = Fibonacci_iteraci(vstup);
    std::printf("%i\n", i);
    std::fflush(stdout);

    // A lost transcript is not a success; the profile is written at exit as usual.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("seqshow: chyba pri zapisu na standardni vystup\n", stderr);
        return 1;
    }
    return 0;
}
