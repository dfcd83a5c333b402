// The functions of seqshow, declared for its tests. They have C linkage, so
// that the profile lists them under their plain names.
#ifndef SEQSHOW_H
#define SEQSHOW_H

extern "C" {
int Fibonacci_rekurzivne(int to);
int Fibonacci_iteraci(int to);
}

#endif
