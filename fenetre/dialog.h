// Modal dialogs from dialog template resources.
#pragma once
#include <windows.h>

#include "fenetre/objet.h"

class M_DIALOG : public FEN_OBJ {
 public:
  M_DIALOG(FEN_OBJ* proprietaire, const char* gabarit);
  ~M_DIALOG() override;
  int EstDialogue() override;
  int Ferme() override;
  int EnCours() override;

  virtual void Ok(FEN_MSG* message);
  virtual void Annule(FEN_MSG* message);
  virtual void WmCommand(FEN_MSG* message);
  virtual void Commande(FEN_MSG* message);
  virtual void WmSysCommand(FEN_MSG* message);
  virtual void WmInitDialog(FEN_MSG* message);
  virtual void WmClose(FEN_MSG* message);
  virtual void WmTimer(FEN_MSG* message);
  virtual void WmMouseMove(FEN_MSG* message);
  virtual void WmLButtonDblClk(FEN_MSG* message);
  virtual void WmLButtonDown(FEN_MSG* message);
  virtual void WmLButtonUp(FEN_MSG* message);
  virtual void WmRButtonDown(FEN_MSG* message);
  virtual void WmRButtonUp(FEN_MSG* message);
  virtual void WmKeyUp(FEN_MSG* message);
  virtual void WmKeyDown(FEN_MSG* message);
  virtual void WmChar(FEN_MSG* message);
  virtual void WmSize(FEN_MSG* message);
  virtual void WmMove(FEN_MSG* message);
  virtual void WmAutre(FEN_MSG* message);
  virtual void AvantFin(int resultat);

  // The modal run; returns what DialogBoxParamA returned (-1: not created).
  int Execute();
  void Termine(int resultat);
  void Centre(int dx, int dy);
  INT_PTR TraiteDialogue(FEN_MSG* message);

  static INT_PTR CALLBACK PasseDlgProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK PasseSheetDlgProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam);

  char gabarit[32];
  int resultatOk;
  int enExecution;  // 1 from the start of Execute until DialogBoxParamA returns
};

// Runs the dialog modally; with detruire non-zero deletes it afterwards.
// A null dialog yields 0.
int ExecuteDialogue(M_DIALOG* dialogue, int detruire);
