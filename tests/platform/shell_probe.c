/* Started by the shell in the editor test: proves that a click on the manual's button
   reached ShellExecute with the registry's path. Writes its own command line into the file
   named by TARVO_PROBE_OUT. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(void) {
  const char* out = getenv("TARVO_PROBE_OUT");
  if (out == NULL) return 1;
  FILE* f = fopen(out, "w");
  if (f == NULL) return 1;
  fputs(GetCommandLineA(), f);
  fclose(f);
  return 0;
}
