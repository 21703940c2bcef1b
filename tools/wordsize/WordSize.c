/* Ends with the width of a pointer in bits: 32 in the i686 build, 64 in the x86-64 build. The
   scripts start it under a build tree's Wine to learn whether that Wine runs the tree's programs:
   only a program that really ran can end with its own width. */
int main(void) { return (int)(8 * sizeof(void*)); }
