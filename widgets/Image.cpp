#include "widgets/Image.h"

#include <algorithm>

void TransparentStretchBlt(TCanvas* ACanvas, const TRect& R, TBitmap* Bitmap, TColor Transparent) {
    if (!Bitmap || Bitmap->Empty() || R.Width() <= 0 || R.Height() <= 0) return;
    const int w = R.Width();
    const int h = R.Height();
    // The picture at the size it is drawn, and a mask of it: white where it is see-through.
    TBitmap work;
    work.SetSize(w, h);
    StretchBlt(work.Canvas()->Handle(), 0, 0, w, h, Bitmap->Canvas()->Handle(), 0, 0,
               Bitmap->Width(), Bitmap->Height(), SRCCOPY);
    TBitmap mask;
    mask.SetMonochrome(true);
    mask.SetSize(w, h);
    HDC workDC = work.Canvas()->Handle();
    const COLORREF workBack = SetBkColor(workDC, ColorToRGB(Transparent));
    BitBlt(mask.Canvas()->Handle(), 0, 0, w, h, workDC, 0, 0, SRCCOPY);
    SetBkColor(workDC, workBack);
    // The destination keeps its pixels under the mask; the picture is blacked out there.
    HDC dest = ACanvas->Handle();
    const COLORREF destText = SetTextColor(dest, RGB(0, 0, 0));
    const COLORREF destBack = SetBkColor(dest, RGB(255, 255, 255));
    BitBlt(dest, R.Left, R.Top, w, h, mask.Canvas()->Handle(), 0, 0, SRCAND);
    TBitmap inverse;
    inverse.SetMonochrome(true);
    inverse.SetSize(w, h);
    BitBlt(inverse.Canvas()->Handle(), 0, 0, w, h, mask.Canvas()->Handle(), 0, 0, NOTSRCCOPY);
    const COLORREF workText = SetTextColor(workDC, RGB(0, 0, 0));
    const COLORREF workBack2 = SetBkColor(workDC, RGB(255, 255, 255));
    BitBlt(workDC, 0, 0, w, h, inverse.Canvas()->Handle(), 0, 0, SRCAND);
    SetTextColor(workDC, workText);
    SetBkColor(workDC, workBack2);
    BitBlt(dest, R.Left, R.Top, w, h, workDC, 0, 0, SRCPAINT);
    SetTextColor(dest, destText);
    SetBkColor(dest, destBack);
}

// ---------------------------------------------------------------------------------------------

TEPGraphicControl::TEPGraphicControl(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetControlStyle(ControlStyle().Include(csOpaque));
}

void TEPGraphicControl::SetBorderStyle(TEPBorderStyle Value) {
    if (borderStyle_ == Value) return;
    borderStyle_ = Value;
    BorderChanged();
}

void TEPGraphicControl::SetBorderInset(int Value) {
    if (borderInset_ == Value) return;
    borderInset_ = std::max(Value, 0);
    BorderChanged();
}

void TEPGraphicControl::SetFillBackground(bool Value) {
    if (fillBackground_ == Value) return;
    fillBackground_ = Value;
    Invalidate();
}

void TEPGraphicControl::BorderChanged() {
    Invalidate();
}

TRect TEPGraphicControl::InnerRect() const {
    TRect r = ClientRect();
    InflateRect(r, -borderInset_, -borderInset_);
    switch (borderStyle_) {
    case epbsHorizLine: r.Top += 2; break;
    case epbsVertLine: r.Left += 2; break;
    case epbsHorizEdge: InflateRect(r, 0, -2); break;
    case epbsVertEdge: InflateRect(r, -2, 0); break;
    case epbsSingle:
    case epbsStatus: InflateRect(r, -1, -1); break;
    case epbsRaised:
    case epbsLowered:
    case epbsGroup: InflateRect(r, -2, -2); break;
    case epbsNone: break;
    }
    return r;
}

void TEPGraphicControl::DrawBorder(TCanvas* ACanvas, const TRect& R) {
    TRect r = R;
    InflateRect(r, -borderInset_, -borderInset_);
    HDC dc = ACanvas->Handle();
    switch (borderStyle_) {
    case epbsNone: break;
    case epbsSingle: ACanvas->FrameRect(r); break;
    case epbsRaised: DrawEdge(dc, &r, EDGE_RAISED, BF_RECT); break;
    case epbsLowered: DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT); break;
    case epbsStatus: DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT); break;
    case epbsGroup: DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT); break;
    case epbsHorizLine: DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP); break;
    case epbsVertLine: DrawEdge(dc, &r, EDGE_ETCHED, BF_LEFT); break;
    case epbsHorizEdge: DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP | BF_BOTTOM); break;
    case epbsVertEdge: DrawEdge(dc, &r, EDGE_ETCHED, BF_LEFT | BF_RIGHT); break;
    }
}

void TEPGraphicControl::PaintAll(TCanvas* ACanvas) {
    ACanvas->Brush()->SetStyle(bsSolid);
    ACanvas->Brush()->SetColor(Color() == clNone ? clBtnFace : Color());
    if (fillBackground_ && Color() != clNone) ACanvas->FillRect(ClientRect());
    DrawBorder(ACanvas, ClientRect());
    HDC dc = ACanvas->Handle();
    const int saved = SaveDC(dc);
    const TRect inner = InnerRect();
    IntersectClipRect(dc, inner.Left, inner.Top, inner.Right, inner.Bottom);
    PaintContent(ACanvas);
    RestoreDC(dc, saved);
    ACanvas->Refresh();
}

void TEPGraphicControl::Paint() {
    if (!offScreen_ || Width() <= 0 || Height() <= 0) {
        PaintAll(Canvas());
        return;
    }
    TBitmap buffer;
    buffer.SetSize(Width(), Height());
    // What lies under the control shows where the content leaves the buffer unpainted.
    buffer.Canvas()->CopyRect(ClientRect(), Canvas(), ClientRect());
    buffer.Canvas()->Font()->Assign(Font());
    PaintAll(buffer.Canvas());
    Canvas()->Draw(0, 0, &buffer);
}

// ---------------------------------------------------------------------------------------------

TEPImage::TEPImage(TComponent* AOwner)
    : TEPGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
    TEPGraphicControl::SetBorderStyle(epbsNone);
    SetOffScreen(false);
    TControl::SetColor(clNone);
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
    SetBounds(Left(), Top(), 105, 105);
}

TEPImage::~TEPImage() {
    picture_->OnChange = nullptr;
}

void TEPImage::SetStyle(TEPImageStyle Value) {
    if (style_ == Value) return;
    style_ = Value;
    PictureChanged();
}

void TEPImage::SetBorderStyle(TEPBorderStyle Value) {
    TEPGraphicControl::SetBorderStyle(Value);
}

void TEPImage::BorderChanged() {
    PictureChanged();
}

void TEPImage::SetTransparent(bool Value) {
    if (transparent_ == Value) return;
    transparent_ = Value;
    Invalidate();
}

void TEPImage::SetAutoColor(bool Value) {
    if (autoColor_ == Value) return;
    autoColor_ = Value;
    if (autoColor_) PictureChanged();
}

void TEPImage::SetColor(TColor Value) {
    if (!ComponentState().Contains(csLoading)) autoColor_ = false;
    TControl::SetColor(Value);
}

void TEPImage::SetPictureControl(TEPImage* Value) {
    if (Value == this || Value == pictureControl_) return;
    if (Value && Value->PictureControl()) return;
    if (pictureControl_) pictureControl_->RemoveFreeNotification(this);
    pictureControl_ = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    picture_->Assign(Value->Picture());
}

void TEPImage::Notification(TComponent* AComponent, TOperation Operation) {
    TEPGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == pictureControl_) pictureControl_ = nullptr;
}

void TEPImage::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const int pw = picture_ ? picture_->Width() : 0;
    const int ph = picture_ ? picture_->Height() : 0;
    if (pw > 0 && ph > 0) {
        const TRect inner = InnerRect();
        const int borderW = Width() - inner.Width();
        const int borderH = Height() - inner.Height();
        if (style_ == episAutoSize) {
            AWidth = pw + borderW;
            AHeight = ph + borderH;
        } else if (style_ == episAspectStretch) {
            AHeight = ((AWidth - borderW) * 100 / pw) * ph / 100 + borderH;
        }
    }
    TEPGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TEPImage::PictureChanged() {
    if (ComponentState().Contains(csLoading)) return;
    if (style_ == episAutoSize || style_ == episAspectStretch)
        SetBounds(Left(), Top(), Width(), Height());
    if (Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* follower = dynamic_cast<TEPImage*>(Parent()->Controls(i));
            if (follower && follower != this && follower->PictureControl() == this)
                follower->Picture()->Assign(picture_.get());
        }
    }
    auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
    // An empty bitmap has no colour to give.
    if (autoColor_ && bitmap && !bitmap->Empty()) {
        TControl::SetColor(bitmap->Canvas()->Pixels(0, bitmap->Height() - 1));
        autoColor_ = true;
    }
    Invalidate();
}

void TEPImage::DrawGraphic(TCanvas* ACanvas, const TRect& R) {
    auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
    if (transparent_ && bitmap) {
        TransparentStretchBlt(ACanvas, R, bitmap,
                              bitmap->Canvas()->Pixels(0, bitmap->Height() - 1));
        return;
    }
    ACanvas->StretchDraw(R, picture_->Graphic());
}

void TEPImage::PaintContent(TCanvas* ACanvas) {
    const TRect inner = InnerRect();
    if (ComponentState().Contains(csDesigning) && BorderStyle() == epbsNone) {
        ACanvas->Pen()->SetStyle(psDash);
        ACanvas->Brush()->SetStyle(bsClear);
        ACanvas->Rectangle(ClientRect());
        ACanvas->Pen()->SetStyle(psSolid);
    }
    if (!picture_->Empty()) {
        const int pw = picture_->Width();
        const int ph = picture_->Height();
        switch (style_) {
        case episTopLeft:
        case episAutoSize: DrawGraphic(ACanvas, Bounds(inner.Left, inner.Top, pw, ph)); break;
        case episCenter:
            DrawGraphic(ACanvas, Bounds(inner.Left + (inner.Width() - pw) / 2,
                                        inner.Top + (inner.Height() - ph) / 2, pw, ph));
            break;
        case episStretch:
        case episAspectStretch: DrawGraphic(ACanvas, inner); break;
        case episTile:
            for (int x = inner.Left; x < inner.Right; x += pw)
                for (int y = inner.Top; y < inner.Bottom; y += ph)
                    DrawGraphic(ACanvas, Bounds(x, y, pw, ph));
            break;
        }
    }
    if (!OnPaint) return;
    painting_ = true;
    try {
        CallEvent(OnPaint, this);
    } catch (...) {
        painting_ = false;
        throw;
    }
    painting_ = false;
}
