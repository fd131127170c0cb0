#pragma once
// Seats around the table. The table is drawn from the local player's point
// of view: view seat 3 is the own chair (bottom), 0 the next chair (right),
// 1 the opposite chair (top), 2 the previous chair (left); with three chairs
// view seat 1 stays empty. Turns pass from view seat v to PrevSeat4(v).
//
// The free functions hold the arithmetic; CGameSeatLayout (the base of the
// table logic and the seat panel) and the table scene answer with them.

#include <cstdint>

#include "client/mj_game_app.h"

namespace mahjong {

// n mod 4 in 0..3, negative n included.
int32_t Mod4(int32_t n);

// The chair arithmetic of a table with `chairs` chairs; every result is -1
// when the chair count is not positive.
int32_t PrevChairOf(int32_t chair, int32_t chairs);
int32_t NextChairOf(int32_t chair, int32_t chairs);
int32_t OppositeChairOf(int32_t chair);

// View seat <-> chair for the own chair `own`. A chair outside 0..chairs-1
// has no view seat (-1), and with fewer than four chairs view seat 1 has no
// chair: it stays empty.
int32_t ChairToViewSeatOf(int32_t chair, int32_t own, int32_t chairs);
int32_t ViewSeatToChairOf(int32_t seat, int32_t own, int32_t chairs);

// The view seat that moves after v (turn order) and the one before it.
int32_t PrevViewSeatOf(int32_t seat, int32_t chairs);
int32_t NextViewSeatOf(int32_t seat, int32_t chairs);

// The two view seats beside `seat`, (-1, -1) for a chair count other than
// 3 or 4.
void NeighbourSeatsOf(int32_t seat, int32_t chairs, int32_t* a, int32_t* b);
// The two opponents other than `seat` (seats 0-2; seat 3 leaves a and b).
void OtherOpponentsOf(int32_t seat, int32_t* a, int32_t* b);

// The local chair (the watched one for a looker), from the application; 0
// while no application exists.
int32_t OwnChair();

class CGameSeatLayout : public client::MJLayoutTarget {
  public:
    // The application's shared layout words land here.
    void SetSharedWord(int n, int32_t value) override { SetLayoutWord(n, value); }

    virtual void GetNeighbourSeats(int32_t seat, int32_t* a, int32_t* b) const;
    virtual void GetNeighbourSeats2(int32_t seat, int32_t* a, int32_t* b) const;
    virtual int32_t ViewSeatToChair(int32_t seat) const;
    virtual int32_t PrevSeat4(int32_t seat) const;
    virtual int32_t NextSeat4(int32_t seat) const;
    virtual int32_t OppositeSeat(int32_t seat) const;
    virtual int32_t ChairToViewSeat(int32_t chair) const;
    virtual int32_t PrevChair(int32_t chair) const;
    virtual int32_t NextChair(int32_t chair) const;
    virtual int32_t OppositeChair(int32_t chair) const;
    // The table pane's client size as the main frame keeps it (0 without
    // a main frame or a table pane).
    virtual int32_t GetTablePaneWidth() const;
    virtual int32_t GetTablePaneHeight() const;
    // The application's sound resource player.
    virtual void PlaySound(uint32_t id, uint32_t flags) const;

    // Layout words 1-4: chairs, word 2, word 3 (2: a stacked operation bar
    // on a small screen), the table pane kind (1 classic, 2 engine).
    int32_t ChairCount() const { return words_[0]; }
    int32_t LayoutWord(int n) const { return n >= 1 && n <= 4 ? words_[n - 1] : 0; }
    void SetLayoutWord(int n, int32_t value) {
        if (n >= 1 && n <= 4) words_[n - 1] = value;
    }

  private:
    int32_t words_[4] = {4, 4, 1, 1};
};

}  // namespace mahjong
