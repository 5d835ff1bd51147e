#include <gtest/gtest.h>

#include "platform/com.h"

namespace geolumen {
namespace {

struct IAlpha : IUnknown {
    static constexpr IID kIid{0x11111111, 0x1111, 0x1111, {1, 1, 1, 1, 1, 1, 1, 1}};
    virtual int Alpha() = 0;
};
struct IBeta : IUnknown {
    static constexpr IID kIid{0x22222222, 0x2222, 0x2222, {2, 2, 2, 2, 2, 2, 2, 2}};
    virtual int Beta() = 0;
};
constexpr IID kHookIid{0x33333333, 0x3333, 0x3333, {3, 3, 3, 3, 3, 3, 3, 3}};

class Both final : public ComObject<IAlpha, IBeta> {
  public:
    explicit Both(int* destroyed) : destroyed_(destroyed) {}
    ~Both() override { ++*destroyed_; }
    int Alpha() override { return 1; }
    int Beta() override { return 2; }

  protected:
    // Answers one further identifier with the IBeta face, as a lookup hook would.
    HRESULT QueryInterfaceHook(REFIID iid, void** out) override {
        if (iid != kHookIid) return E_NOINTERFACE;
        *out = static_cast<IBeta*>(this);
        AddRef();
        return S_OK;
    }

  private:
    int* destroyed_;
};

TEST(Com, LastReleaseDestroysTheObject) {
    int destroyed = 0;
    {
        ComPtr<Both> obj = MakeCom<Both>(&destroyed);
        ComPtr<IAlpha> alpha = obj;
        ComPtr<IBeta> beta;
        ASSERT_EQ(obj.As(beta), S_OK);
        obj.Reset();
        EXPECT_EQ(destroyed, 0);  // alpha and beta still hold it
        EXPECT_EQ(beta->Beta(), 2);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(Com, QueryInterfaceAnswersListedIdsTheHookAndIUnknownOnly) {
    int destroyed = 0;
    ComPtr<Both> obj = MakeCom<Both>(&destroyed);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(obj->QueryInterface(IID{}, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(obj->QueryInterface(IAlpha::kIid, nullptr), E_POINTER);

    ComPtr<IUnknown> viaAlpha, viaBeta;
    ASSERT_EQ(
        obj->QueryInterface(IUnknown::kIid, reinterpret_cast<void**>(viaAlpha.ReleaseAndGetAddressOf())),
        S_OK);
    ComPtr<IBeta> beta;
    ASSERT_EQ(obj.As(beta), S_OK);
    ASSERT_EQ(beta.As(viaBeta), S_OK);
    EXPECT_EQ(viaAlpha.Get(), viaBeta.Get());  // one identity whichever face is asked

    ComPtr<IBeta> hooked;
    ASSERT_EQ(obj->QueryInterface(kHookIid, reinterpret_cast<void**>(hooked.ReleaseAndGetAddressOf())), S_OK);
    EXPECT_EQ(hooked->Beta(), 2);
}

TEST(Com, CountsFollowCopiesMovesAndDetach) {
    int destroyed = 0;
    ComPtr<Both> a = MakeCom<Both>(&destroyed);
    ComPtr<Both> b = a;             // 2
    ComPtr<Both> c = std::move(b);  // still 2
    EXPECT_EQ(b, nullptr);
    Both* raw = c.Detach();  // the detached reference is ours now
    EXPECT_EQ(raw->AddRef(), 3u);
    EXPECT_EQ(raw->Release(), 2u);
    ComPtr<Both> d;
    d.Attach(raw);
    IAlpha* out = nullptr;
    ASSERT_EQ(ComPtr<IAlpha>(d).CopyTo(&out), S_OK);
    EXPECT_EQ(out->Release(), 2u);
    a.Reset();
    d.Reset();
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace geolumen
