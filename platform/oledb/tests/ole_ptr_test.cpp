// The reference-counting holder.
#include "OLE/ole_ptr.h"

#include <gtest/gtest.h>

#include "platform/com/ref_counted.h"

namespace {

struct counted : IUnknown, tsl::com::ref_counted {
  static int alive;
  counted() { ++alive; }
  ~counted() override { --alive; }
  HRESULT QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown) return tsl::com::hand_out<IUnknown>(this, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return add_ref(); }
  ULONG Release() override { return release(); }
};
int counted::alive = 0;

TEST(ole_ptr_test, CopiesMovesAndReleases) {
  {
    auto h = ole_ptr<IUnknown>::attach(new counted);
    ole_ptr<IUnknown> copy = h;
    ole_ptr<IUnknown> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(counted::alive, 1);
    ole_ptr<IUnknown> other;
    EXPECT_EQ(h.query(IID_IUnknown, other), S_OK);
    h.reset();
    other = moved;
    EXPECT_EQ(counted::alive, 1);
  }
  EXPECT_EQ(counted::alive, 0);
}

TEST(ole_ptr_test, PutReleasesTheOldReferenceAndDetachKeepsIt) {
  auto h = ole_ptr<IUnknown>::attach(new counted);
  IUnknown** slot = h.put();
  EXPECT_EQ(counted::alive, 0);
  EXPECT_EQ(*slot, nullptr);
  *slot = new counted;
  IUnknown* raw = h.detach();
  EXPECT_FALSE(h);
  EXPECT_EQ(counted::alive, 1);
  raw->Release();
  EXPECT_EQ(counted::alive, 0);
  ole_ptr<IUnknown> empty;
  ole_ptr<IUnknown> out;
  EXPECT_EQ(empty.query(IID_IUnknown, out), E_POINTER);
}

}  // namespace
