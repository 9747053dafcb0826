#include "fenetre/objet.h"

#include "appli/instance.h"
#include "util/format.h"
#include "util/strings.h"

FEN_OBJ* g_inscritPlusRecent = nullptr;
FEN_OBJ* g_inscritPlusAncien = nullptr;
char g_texteMessage[256];

// ---------------------------------------------------------------- OBJET

OBJET::OBJET(OBJET* proprio, int autom)
    : automatique(autom),
      proprietaire(proprio),
      premierFils(nullptr),
      dernierFils(nullptr),
      frereSuivant(nullptr),
      frerePrecedent(nullptr) {
  AttacheAuProprietaire();
}

OBJET::~OBJET() {
  DetruitFils();
  DetacheDuProprietaire();
}

int OBJET::PeutFermer() { return 1; }

int OBJET::Ferme() {
  if (!PeutFermer()) return 0;
  if (!automatique) delete this;
  return 1;
}

int OBJET::FermeArbre(int fermer) {
  OBJET* fils = premierFils;
  while (fils) {
    // The child may delete itself: take its neighbour first.
    OBJET* suivant = fils->frereSuivant;
    if (!fils->FermeArbre(fermer)) return 0;
    fils = suivant;
  }
  return fermer ? Ferme() : PeutFermer();
}

int OBJET::AccepteId(int) { return 0; }

void OBJET::DonneNom(int, char* tampon, int) {
  if (tampon) NumberToText((uint32_t)numeroType, tampon, 10);
}

int OBJET::EstApres(OBJET* autre) { return (UINT_PTR)autre < (UINT_PTR)this ? 1 : 0; }

int OBJET::EnCours() { return 0; }

int OBJET::ArbreEnCours() {
  if (EnCours()) return 1;
  for (OBJET* fils = premierFils; fils; fils = fils->frereSuivant)
    if (fils->ArbreEnCours()) return 1;
  return 0;
}

void OBJET::AttacheAuProprietaire() {
  if (!proprietaire) return;
  frereSuivant = proprietaire->premierFils;
  proprietaire->premierFils = this;
  frerePrecedent = nullptr;
  if (!proprietaire->dernierFils)
    proprietaire->dernierFils = this;
  else
    frereSuivant->frerePrecedent = this;
}

void OBJET::DetacheDuProprietaire() {
  if (!proprietaire) return;
  if (frereSuivant)
    frereSuivant->frerePrecedent = frerePrecedent;
  else
    proprietaire->dernierFils = frerePrecedent;
  if (frerePrecedent)
    frerePrecedent->frereSuivant = frereSuivant;
  else
    proprietaire->premierFils = frereSuivant;
  frereSuivant = frerePrecedent = nullptr;
}

void OBJET::DetruitFils() {
  // Each child unlinks itself at the end of its destruction.
  while (premierFils) delete premierFils;
}

// ---------------------------------------------------------------- AUTO_OBJET

AUTO_OBJET::AUTO_OBJET(OBJET* proprio, const char* texte) : OBJET(proprio, 1) {
  nom[0] = 0;
  StrCopyN(nom, texte, sizeof nom);
}

void AUTO_OBJET::DonneNom(int, char* tampon, int taille) {
  if (tampon && taille > 0) StrCopyN(tampon, nom, taille);
}

// ---------------------------------------------------------------- FEN_OBJ

FEN_OBJ::FEN_OBJ(FEN_OBJ* proprio)
    : OBJET(proprio, 0), inscritAvant(nullptr), inscritApres(nullptr), hwnd(nullptr),
      hwndParent(nullptr) {
  Inscrit();
  hwndParent = proprio ? proprio->hwnd : nullptr;
}

FEN_OBJ::~FEN_OBJ() {
  // Out of the registry before the children go.
  Desinscrit();
}

void FEN_OBJ::Inscrit() {
  inscritAvant = g_inscritPlusRecent;
  g_inscritPlusRecent = this;
  inscritApres = nullptr;
  if (!g_inscritPlusAncien)
    g_inscritPlusAncien = this;
  else
    inscritAvant->inscritApres = this;
}

void FEN_OBJ::Desinscrit() {
  if (g_inscritPlusAncien == this)
    g_inscritPlusAncien = inscritApres;
  else if (inscritAvant)
    inscritAvant->inscritApres = inscritApres;
  if (g_inscritPlusRecent == this)
    g_inscritPlusRecent = inscritAvant;
  else if (inscritApres)
    inscritApres->inscritAvant = inscritAvant;
  inscritAvant = inscritApres = nullptr;
}

FEN_OBJ* FEN_OBJ::TrouveFenObj(HWND h) {
  for (FEN_OBJ* o = g_inscritPlusRecent; o; o = o->inscritAvant)
    if (o->hwnd == h) return o;
  return nullptr;
}

int FEN_OBJ::AccepteId(int valeur) { return (UINT)valeur == (UINT)id ? 1 : 0; }
int FEN_OBJ::EstDialogue() { return 0; }
void FEN_OBJ::WmMeasureItem(FEN_MSG*) {}
void FEN_OBJ::WmDrawItem(FEN_MSG*) {}
void FEN_OBJ::CommandeFils(FEN_MSG*) {}

int FEN_OBJ::OffreCommande(FEN_MSG* message) {
  int idCommande = (int)LOWORD(message->wParam);
  for (OBJET* fils = dernierFils; fils; fils = fils->frerePrecedent) {
    if (fils->AccepteId(idCommande)) {
      if (FEN_OBJ* f = dynamic_cast<FEN_OBJ*>(fils)) f->CommandeFils(message);
      return 1;
    }
  }
  return 0;
}

int FEN_OBJ::ShowMessage(const char* texte, UINT type) {
  if (texte) StrCopyN(g_texteMessage, texte, sizeof g_texteMessage);
  return MessageBoxA(hwnd, g_texteMessage, g_mainInstance ? g_mainInstance->nom : nullptr,
                     type);
}
