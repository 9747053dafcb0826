// Zero-filled memory blocks of a size fixed at construction.
#pragma once

class CtMem {
 public:
  explicit CtMem(int requested);
  virtual ~CtMem();
  int Allocate(int bytes);
  void Release();

  void* handle = nullptr;
  int size = 0;
  unsigned char* data = nullptr;

  CtMem(const CtMem&) = delete;
  CtMem& operator=(const CtMem&) = delete;
};

class CtDynMemZone : public CtMem {
 public:
  CtDynMemZone();
  ~CtDynMemZone() override;
  int zone1 = 0, zone2 = 0, zone3 = 4, zone4 = 0x20000;
};

// Test seam: when set, called before each allocation; returning 0 makes the
// allocation fail as if the system had refused it.
extern int (*g_ctMemAllowHook)(int bytes);

// The zone built during the stub's static initialisation (262,144 bytes), in
// start-up order with the other static objects; nothing draws from it.
extern CtDynMemZone g_memZone;
