// A hook through which code outside the engine follows the compare job's verdicts as they
// are made (the console's item report streams them to a file), without a second walk over
// the tree and without holding the tree's items any longer than the call.
#pragma once

struct CompareItem;

// What a hook may rely on, and what the job owes it (a change to how the compare phase
// gives its verdicts, for example reading the content of several files at once, must keep
// every point):
// - itemJudged runs on the job's worker thread, one call at a time, never while another
//   call is running; no call comes from the scan or the statistics phase.
// - Each item of the compare tree except the root is passed at most once, and only after
//   its verdict is final: its flags and contentMode are those the tree holds when the job
//   succeeds. A verdict that a cancel cut short (a content comparison stopped half-way)
//   is never passed.
// - Items are passed in the tree's order: an item before its children, siblings in key
//   order (folders first, then names ignoring case), which is the order of the result
//   rows. So a folder is passed before anything it holds.
// - Items present on neither side are dropped from the tree and never passed; an item
//   present on one side only is passed without children (they were dropped).
// - When the job succeeds, every item of the final tree has been passed. When it is
//   cancelled or fails in the compare phase, the calls stop: what was passed is a prefix
//   of the tree's order, with final verdicts.
// - During the call the item, its ancestors, the engine's options and the result's roots
//   (givenPath, displayRoot) stay valid and unchanged. The hook must not change the tree,
//   must not keep pointers into it after the job ends, and should return quickly: the
//   compare waits for it.
class VerdictHook {
public:
  virtual ~VerdictHook() = default;
  virtual void itemJudged(const CompareItem& item) = 0;
};
