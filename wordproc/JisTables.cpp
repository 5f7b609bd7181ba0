// The tables themselves are generated data (JisTables.inc, made by
// scripts/generate-jis-tables.sh); this file only compiles them.
#include "wordproc/JisTables.inc"
