// Points in the work of the content readers where a test can look, or hold a reader for a
// moment, to bring about an exact meeting of the walk and the readers instead of racing
// them. The program itself sets none.
#pragma once

struct CompareItem;

class ReadersProbe {
public:
  enum class Point {
    added,    // on the worker: the walk hands the item over, before it is queued
    reading,  // on the reading thread (a helper or the worker): the pair is about to be read
    judged,   // on the reading thread: the pair's verdict is given
    waiting,  // on the worker: it waits for the verdict at the front (the item), read elsewhere
  };

  virtual ~ReadersProbe() = default;
  // May wait for another reader, but never for the worker while called on the worker.
  virtual void reached(Point point, const CompareItem& item) = 0;
};
