// Windows of the classes OW_MAIN and OW_CHILD, with every message turned into
// a call of a virtual handler.
#pragma once
#include <windows.h>

#include "fenetre/objet.h"

class FENETRE : public FEN_OBJ {
 public:
  FENETRE(FEN_OBJ* proprietaire, const char* titre, HINSTANCE instance);
  ~FENETRE() override;
  int Ferme() override;

  virtual LRESULT TraiteMessage(FEN_MSG* message);
  virtual void CopieTitre(FEN_MSG* message);
  virtual void WmPaint(FEN_MSG* message);
  virtual void WmClose(FEN_MSG* message);
  virtual void WmDestroy(FEN_MSG* message);
  virtual void WmTimer(FEN_MSG* message);
  virtual void WmCreate(FEN_MSG* message);
  virtual void WmSetFocus(FEN_MSG* message);
  virtual void WmKillFocus(FEN_MSG* message);
  virtual void WmMouseMove(FEN_MSG* message);
  virtual void WmNcLButtonDown(FEN_MSG* message);
  virtual void WmNcLButtonUp(FEN_MSG* message);
  virtual void WmNcLButtonDblClk(FEN_MSG* message);
  virtual void WmNcPaint(FEN_MSG* message);
  virtual void WmLButtonDblClk(FEN_MSG* message);
  virtual void WmLButtonDown(FEN_MSG* message);
  virtual void WmLButtonUp(FEN_MSG* message);
  virtual void WmRButtonDown(FEN_MSG* message);
  virtual void WmRButtonUp(FEN_MSG* message);
  virtual void WmKeyUp(FEN_MSG* message);
  virtual void WmKeyDown(FEN_MSG* message);
  virtual void WmChar(FEN_MSG* message);
  virtual void WmHScroll(FEN_MSG* message);
  virtual void WmVScroll(FEN_MSG* message);
  virtual void HScrollLineLeft(int position);
  virtual void HScrollLineRight(int position);
  virtual void HScrollPageLeft(int position);
  virtual void HScrollPageRight(int position);
  virtual void HScrollThumbTrack(int position, HWND barre);
  virtual void HScrollThumbPosition(int position, HWND barre);
  virtual void VScrollLineUp(int position);
  virtual void VScrollLineDown(int position);
  virtual void VScrollPageUp(int position);
  virtual void VScrollPageDown(int position);
  virtual void VScrollThumbTrack(int position, HWND barre);
  virtual void VScrollThumbPosition(int position, HWND barre);
  virtual void WmSize(FEN_MSG* message);
  virtual void WmMove(FEN_MSG* message);
  virtual void WmCommand(FEN_MSG* message);
  virtual void Commande(FEN_MSG* message);
  virtual void WmSysCommand(FEN_MSG* message);
  virtual void WmParentNotify(FEN_MSG* message);
  virtual void WmCtlColorEdit(FEN_MSG* message);
  virtual void WmActivate(FEN_MSG* message);
  virtual void WmMenuChar(FEN_MSG* message);
  virtual void WmGetDlgCode(FEN_MSG* message);
  virtual void WmSetFont(FEN_MSG* message);
  virtual void WmQueryEndSession(FEN_MSG* message);
  virtual void WmAutre(FEN_MSG* message);
  virtual void ApresCreation();
  virtual void Dessine(HDC dc, PAINTSTRUCT* ps);
  virtual HWND Cree();
  virtual const char* TexteFermeture();

  static LRESULT CALLBACK PasseWndProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE hInstance;
  BYTE principale;  // 1: class OW_MAIN, 0: OW_CHILD
  char titre[80];
};

// The application's top-level window: its destruction ends the message loop
// and its object's deletion releases the palette.
class MAIN_FENETRE : public FENETRE {
 public:
  explicit MAIN_FENETRE(const char* titre);
  ~MAIN_FENETRE() override;
  LRESULT TraiteMessage(FEN_MSG* message) override;
  void WmClose(FEN_MSG* message) override;
  void WmDestroy(FEN_MSG* message) override;
  virtual void AvantQuitter();
};

// Registers OW_CHILD, then OW_MAIN; 1 when both are registered.
int EnregistreClasses(HINSTANCE instance);

// Periodic objects served by one timer procedure.
class PERIODE {
 public:
  explicit PERIODE(int periode);
  virtual void Periode(FEN_MSG* message);
  virtual ~PERIODE();

  PERIODE* suivant;
  int periode;   // in timer ticks
  int compteur;  // ticks left before the next call

  PERIODE(const PERIODE&) = delete;
  PERIODE& operator=(const PERIODE&) = delete;

 protected:
  static void CALLBACK TimerProc(HWND h, UINT message, UINT_PTR id, DWORD temps);
};

extern PERIODE* g_premierePeriode;

// Default window procedure used by every window of the framework. Tests point
// it elsewhere to observe default processing.
extern WNDPROC g_defWindowProc;
