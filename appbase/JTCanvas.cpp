#include "appbase/JTCanvas.h"

#include <algorithm>

#include "appbase/JTAppContext.h"
#include "appbase/ShellLinks.h"
#include "appbase/Texture2D.h"
#include "platform/gl/GL.h"

namespace JTAppBase {

using JTCore::makeRef;
using JTCore::Ref;

namespace {

constexpr float kRadiansToDegrees = 180.0f / 3.14159265358979323846f;

}  // namespace

JTCanvas::JTCanvas(JTAppContext* context)
    : context_(context), touches_(makeRef<JTCore::JTArrayList>()), touchRecord_(makeRef<JTTouchInfo>()) {}

void JTCanvas::setView(GameViewLink* view) {
    view_ = view;
    appCore_ = view != nullptr ? view->appCore() : nullptr;
}

void JTCanvas::setCanvasSize(int w, int h) {
    width_ = w;
    height_ = h;
    setMultiTouchEnabled(multiTouchEnabled_);
    appliedColor_ = -1;
    appliedMode_ = 0;
    resetColor();
}

void JTCanvas::setColor(uint32_t argb) {
    color_ = argb;
    blendMode_ = 4;
}

void JTCanvas::setAdditiveWhite() {
    color_ = 0xFFFFFFFFu;
    blendMode_ = 5;
}

Texture2D* JTCanvas::texture(int n) const {
    return appCore_ != nullptr ? appCore_->texture(n) : nullptr;
}

int JTCanvas::getTextureWidth(int n) const {
    const Texture2D* t = texture(n);
    return t ? static_cast<int>(t->contentSize().width) : 0;
}

int JTCanvas::getTextureHeight(int n) const {
    const Texture2D* t = texture(n);
    return t ? static_cast<int>(t->contentSize().height) : 0;
}

void JTCanvas::applyState(const Texture2D* texture) {
    int mode = blendMode_;
    if (mode == 4) {
        mode = (texture == nullptr || texture->pixelFormat() == Texture2D::kA8) ? 3 : 2;
    }
    if (mode == appliedMode_ && static_cast<int64_t>(color_) == appliedColor_) return;

    const GLubyte a = static_cast<GLubyte>(color_ >> 24);
    GLubyte r = static_cast<GLubyte>(color_ >> 16);
    GLubyte g = static_cast<GLubyte>(color_ >> 8);
    GLubyte b = static_cast<GLubyte>(color_);
    switch (mode) {
        case 1:
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case 2:
            // Opaque textures carry premultiplied colour: premultiply the tint to match.
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
            r = static_cast<GLubyte>(r * a / 255);
            g = static_cast<GLubyte>(g * a / 255);
            b = static_cast<GLubyte>(b * a / 255);
            break;
        case 3:
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case 5:
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            break;
        default:
            return;
    }
    glColor4ub(r, g, b, a);
    appliedMode_ = mode;
    appliedColor_ = color_;
    ++stateChanges_;
}

void JTCanvas::drawTexture(int n, float x, float y, float ax, float ay) {
    drawTextureScaled(n, x, y, ax, ay, 1, 1);
}

void JTCanvas::drawTextureScaled(int n, float x, float y, float ax, float ay, float sx, float sy) {
    Texture2D* t = texture(n);
    applyState(t);
    if (t == nullptr) return;
    const float w = t->contentSize().width * sx;
    const float h = t->contentSize().height * sy;
    t->drawInRect(platform::Rect(x - w * ax, (static_cast<float>(height_) - y) - (1 - ay) * h, w, h));
}

void JTCanvas::drawTextureRotated(int n, float x, float y, float ax, float ay, float sx, float sy,
                                  float angle) {
    Texture2D* t = texture(n);
    applyState(t);
    if (t == nullptr) return;
    const float w = t->contentSize().width * sx;
    const float h = t->contentSize().height * sy;
    glPushMatrix();
    glTranslatef(x, static_cast<float>(height_) - y, 0);
    glRotatef(angle * kRadiansToDegrees, 0, 0, 1);
    t->drawInRect(platform::Rect(-(w * ax), -((1 - ay) * h), w, h));
    glPopMatrix();
}

void JTCanvas::drawTextureRegion(int n, float sx, float sy, float sw, float sh, float dx, float dy, float dw,
                                 float dh) {
    Texture2D* t = texture(n);
    applyState(t);
    if (t == nullptr) return;
    t->drawFromRect(platform::Rect(sx, sy, sw, sh),
                    platform::Rect(dx, static_cast<float>(height_) - (dy + dh), dw, dh));
}

void JTCanvas::fillRect(float x, float y, float w, float h) {
    applyState(nullptr);
    const float top = static_cast<float>(height_) - y;
    const GLfloat vertices[] = {x, top - h, 0, x + w, top - h, 0, x, top, 0, x + w, top, 0};
    glDisable(GL_TEXTURE_2D);
    // The texture-coordinate pointer still names the last textured draw's coordinates, which are
    // gone by now: with the array enabled GL would read them even though texturing is off.
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

void JTCanvas::drawLine(float x1, float y1, float x2, float y2, float width) {
    applyState(nullptr);
    const float scale = appCore_ != nullptr ? appCore_->contentsScaleValue() : 1.0f;
    const float h = static_cast<float>(height_);
    const GLfloat vertices[] = {x1, h - y1, 0, x2, h - y2, 0};
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glLineWidth(width * scale);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_LINES, 0, 2);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
}

void JTCanvas::clear(uint32_t argb) {
    glClearColor(static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                 static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
                 static_cast<float>(argb >> 24) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void JTCanvas::setMultiTouchEnabled(bool on) {
    multiTouchEnabled_ = on;
    if (view_ != nullptr) view_->setMultipleTouchEnabled(on);
    if (!on) touches_->clear();
}

void JTCanvas::fillFromTouch(JTTouchInfo& record, const TouchLink* touch) const {
    const platform::Point p = touch != nullptr ? touch->locationInView() : platform::Point{};
    const platform::Point q = view_ != nullptr ? view_->convertPointFromRawView(p) : platform::Point{};
    record.setX(std::clamp(q.x, 0.0f, static_cast<float>(width_)));
    record.setY(std::clamp(q.y, 0.0f, static_cast<float>(height_)));
    record.setTouching(true);
}

void JTCanvas::beginTick() {
    touch_ = touchRecord_;
    touch_->setTouching(false);
    auto context = context_.lock();
    if (!context) return;
    if (!multiTouchEnabled_) {
        if (context->getCurrentTouch()) fillFromTouch(*touch_, context->getCurrentTouch().get());
        return;
    }
    const int existing = touches_->size();
    int visited = 0;
    for (const auto& active : context->activeTouches()) {
        if (visited >= existing) {
            touches_->add(visited == 0 ? Ref<JTCore::JTObject>(touchRecord_) : makeRef<JTTouchInfo>());
        }
        fillFromTouch(*touches_->getAs<JTTouchInfo>(visited), active.get());
        ++visited;
    }
    while (touches_->size() > visited) touches_->removeAt(touches_->size() - 1);
}

}  // namespace JTAppBase
