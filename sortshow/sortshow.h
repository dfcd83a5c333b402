// The functions of sortshow, declared for its tests. They have C linkage, so
// that the profile lists them under their plain names.
#ifndef SORTSHOW_H
#define SORTSHOW_H

extern "C" {
void generujpole(int* a, int size);
void selectsort(int* a, int n);
void bubblesort(int* a, int n);
void shakersort(int* pole, int max);
void quicksort(int* a, int levy, int pravy);
}

#endif
