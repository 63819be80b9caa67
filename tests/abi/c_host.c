/* Loads the plug-in from a C program, which has no C++ runtime of its own, and checks the
   record and a few answers. Exit status 0 on success. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

/* The record, as a C host declares it (64-bit or 32-bit layout by pointer size). */
typedef struct AEffect AEffect;
typedef intptr_t (*Dispatcher)(AEffect*, int32_t, int32_t, intptr_t, void*, float);
struct AEffect {
  int32_t magic;
  Dispatcher dispatcher;
  void* process;
  void (*setParameter)(AEffect*, int32_t, float);
  float (*getParameter)(AEffect*, int32_t);
  int32_t numPrograms, numParams, numInputs, numOutputs, flags;
  intptr_t resvd1, resvd2;
  int32_t initialDelay, realQualities, offQualities;
  float ioRatio;
  void* object;
  void* user;
  int32_t uniqueID, version;
  void (*processReplacing)(AEffect*, float**, float**, int32_t);
  char future[60];
};

typedef intptr_t (*HostCallback)(AEffect*, int32_t, int32_t, intptr_t, void*, float);

static int versionCalls;

static intptr_t host(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                     float opt) {
  (void)e;
  (void)index;
  (void)value;
  (void)opt;
  if (opcode == 1) {
    ++versionCalls;
    return 2400;
  }
  if ((opcode == 32 || opcode == 33) && ptr) {
    strcpy((char*)ptr, "C Host");
    return 1;
  }
  return 0;
}

#define CHECK(cond)                           \
  do {                                        \
    if (!(cond)) {                            \
      fprintf(stderr, "failed: %s\n", #cond); \
      return 1;                               \
    }                                         \
  } while (0)

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  /* ISO C has no conversion between object and function pointers; POSIX guarantees that
     dlsym's answer may be copied into a function pointer of the same size. */
  AEffect* (*entry)(HostCallback) = NULL;
  void* symbol = dlsym(lib, "main");
  CHECK(symbol != NULL && sizeof entry == sizeof symbol);
  memcpy(&entry, &symbol, sizeof entry);
  CHECK(dlsym(lib, "VSTPluginMain") == NULL);
  AEffect* e = entry(host);
  CHECK(e != NULL);
  CHECK(versionCalls == 1);
  CHECK(e->magic == 0x56737450 && e->uniqueID == 0x766D3771 && e->flags == 0x19);
  CHECK(e->numInputs == 2 && e->numOutputs == 2 && e->numParams == 25);
  char text[256] = {0};
  CHECK(e->dispatcher(e, 45, 0, 0, text, 0.0f) == 1 && strcmp(text, "Tarvo") == 0);
  CHECK(e->dispatcher(e, 8, 18, 0, text, 0.0f) == 0 && strcmp(text, "Filter Freq.") == 0);
  CHECK(e->dispatcher(e, 7, 0, 0, text, 0.0f) == 0 && strcmp(text, "0.000 dB") == 0);
  e->dispatcher(e, 10, 0, 0, NULL, 48000.0f);
  e->dispatcher(e, 12, 0, 1, NULL, 0.0f);
  float left[256], right[256];
  float* io[2] = {left, right};
  for (int i = 0; i < 256; ++i) left[i] = right[i] = 0.25f * (float)((i % 32) < 16 ? 1 : -1);
  e->processReplacing(e, io, io, 256);
  e->setParameter(e, 0, 0.5f);
  CHECK(e->getParameter(e, 0) == 0.5f);
  CHECK(e->dispatcher(e, 1, 0, 0, NULL, 0.0f) == 1);
  CHECK(dlclose(lib) == 0);
  printf("loaded, created, processed and closed without a C++ runtime in the host\n");
  return 0;
}
