// CShockwaveFlash: loading a QML movie into the control, its scale modes and the root-object calls.
#include "app/desktop/ShockwaveFlash.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QResizeEvent>

#include <algorithm>
#include <cstdio>

namespace hookwise::app {

namespace {

// The natural size of a movie: what its root declares, else its implicit size.
QSizeF NaturalSize(const QQuickItem* movie) {
    const qreal w = movie->width() > 0 ? movie->width() : movie->implicitWidth();
    const qreal h = movie->height() > 0 ? movie->height() : movie->implicitHeight();
    return {w, h};
}

// The index of the most derived method of the given name and argument count, or -1.
// QML functions appear as slots or methods, QML signals as signals.
int FindMethod(const QMetaObject* meta, const char* name, int argumentCount, bool signal) {
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        const bool isSignal = method.methodType() == QMetaMethod::Signal;
        const bool callable =
            method.methodType() == QMetaMethod::Slot || method.methodType() == QMetaMethod::Method;
        if ((signal ? isSignal : callable) && method.name() == name &&
            method.parameterCount() == argumentCount)
            return i;
    }
    return -1;
}

} // namespace

CShockwaveFlash::CShockwaveFlash(QWidget* parent) : QQuickWidget(parent) {
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setFocusPolicy(Qt::StrongFocus);
    container_ = new QQuickItem();
    setContent(QUrl(), nullptr, container_);
    SetBackgroundColor(0xFFFFFF);
}

CShockwaveFlash::~CShockwaveFlash() {
    UnloadMovie();
}

void CShockwaveFlash::UnloadMovie() {
    if (movie_) {
        movie_->setParentItem(nullptr);
        delete movie_;
        movie_ = nullptr;
    }
    delete component_;
    component_ = nullptr;
}

void CShockwaveFlash::FailMovie(const QString& path, const QString& reason) {
    std::fprintf(stderr, "Hookwise: cannot play the movie \"%s\": %s\n", qPrintable(path),
                 qPrintable(reason));
    std::fflush(stderr);
}

bool CShockwaveFlash::SetMovie(const QString& path) {
    UnloadMovie();
    moviePath_ = path;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FailMovie(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());

    component_ = new QQmlComponent(engine(), this);
    component_->setData(bytes, url);
    if (component_->isError()) {
        FailMovie(path, component_->errorString().trimmed());
        UnloadMovie();
        return false;
    }
    QObject* created = component_->create();
    auto* item = qobject_cast<QQuickItem*>(created);
    if (!item) {
        FailMovie(path, created ? QStringLiteral("its root is not a visual item")
                                : component_->errorString().trimmed());
        delete created;
        UnloadMovie();
        return false;
    }
    movie_ = item;
    movie_->setParent(container_);
    movie_->setParentItem(container_);
    movie_->setTransformOrigin(QQuickItem::TopLeft);
    // The movie takes the keyboard whenever the control has it.
    movie_->setFocus(true);
    naturalSize_ = NaturalSize(movie_);
    if (!ConnectCommandSignal())
        FailMovie(path, QStringLiteral("its root has no fsCommand(command, args) signal; "
                                       "its commands are not heard"));
    PlaceMovie();
    return true;
}

bool CShockwaveFlash::ConnectCommandSignal() {
    const QMetaObject* meta = movie_->metaObject();
    const int index = FindMethod(meta, "fsCommand", 2, true);
    if (index < 0)
        return false;
    const QMetaMethod signal = meta->method(index);
    const bool strings = signal.parameterMetaType(0) == QMetaType::fromType<QString>() &&
                         signal.parameterMetaType(1) == QMetaType::fromType<QString>();
    const QMetaObject* own = metaObject();
    const char* slot =
        strings ? "OnMovieCommand(QString,QString)" : "OnMovieCommandVariant(QVariant,QVariant)";
    const QMetaMethod receiver = own->method(own->indexOfSlot(slot));
    return static_cast<bool>(connect(movie_, signal, this, receiver));
}

void CShockwaveFlash::OnMovieCommand(const QString& command, const QString& args) {
    emit FSCommand(command, args);
}

void CShockwaveFlash::OnMovieCommandVariant(const QVariant& command, const QVariant& args) {
    // A movie that sends no argument gives an undefined value; the movie text for it is
    // "undefined".
    const QString argsText = args.isValid() ? args.toString() : QStringLiteral("undefined");
    emit FSCommand(command.toString(), argsText);
}

void CShockwaveFlash::SetScale(const QString& scale) {
    scale_ = scale;
    PlaceMovie();
}

void CShockwaveFlash::SetAlignMode(long mode) {
    alignMode_ = mode;
    PlaceMovie();
}

void CShockwaveFlash::SetBackgroundColor(long color) {
    const auto rgb = static_cast<unsigned long>(color) & 0xFFFFFFu;
    setClearColor(QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                         static_cast<int>(rgb & 0xFF)));
}

void CShockwaveFlash::resizeEvent(QResizeEvent* event) {
    QQuickWidget::resizeEvent(event);
    PlaceMovie();
}

void CShockwaveFlash::PlaceMovie() {
    if (!movie_)
        return;
    const QSizeF area(width(), height());
    if (scale_.compare(QLatin1String("NoScale"), Qt::CaseInsensitive) == 0) {
        movie_->setScale(1.0);
        movie_->setPosition({0, 0});
        movie_->setSize(area);
        return;
    }
    const QSizeF natural = naturalSize_.isEmpty() ? area : naturalSize_;
    movie_->setSize(natural);
    qreal sx = area.width() / natural.width();
    qreal sy = area.height() / natural.height();
    if (scale_.compare(QLatin1String("ExactFit"), Qt::CaseInsensitive) == 0) {
        // A uniform item scale cannot stretch; the movie gets the control's size instead.
        movie_->setScale(1.0);
        movie_->setPosition({0, 0});
        movie_->setSize(area);
        return;
    }
    const bool cover = scale_.compare(QLatin1String("NoBorder"), Qt::CaseInsensitive) == 0;
    const qreal factor = cover ? std::max(sx, sy) : std::min(sx, sy);
    movie_->setScale(factor);
    const qreal freeX = area.width() - natural.width() * factor;
    const qreal freeY = area.height() - natural.height() * factor;
    const qreal x = (alignMode_ & 1) ? 0 : (alignMode_ & 2) ? freeX : freeX / 2;
    const qreal y = (alignMode_ & 4) ? 0 : (alignMode_ & 8) ? freeY : freeY / 2;
    movie_->setPosition({x, y});
}

bool CShockwaveFlash::CallMovie(const char* function, const QStringList& args, QString* result) {
    if (!movie_)
        return false;
    const QMetaObject* meta = movie_->metaObject();
    const int index = FindMethod(meta, function, static_cast<int>(args.size()), false);
    if (index < 0)
        return false;
    const QMetaMethod method = meta->method(index);

    // QML functions take QVariant arguments unless the movie typed them as strings.
    QVariant variants[2];
    QString strings[2];
    QGenericArgument generic[2];
    for (int i = 0; i < args.size() && i < 2; ++i) {
        if (method.parameterMetaType(i) == QMetaType::fromType<QString>()) {
            strings[i] = args[i];
            generic[i] = Q_ARG(QString, strings[i]);
        } else {
            variants[i] = args[i];
            generic[i] = Q_ARG(QVariant, variants[i]);
        }
    }
    QVariant returnedVariant;
    QString returnedString;
    QGenericReturnArgument ret;
    if (method.returnMetaType() == QMetaType::fromType<QString>())
        ret = Q_RETURN_ARG(QString, returnedString);
    else if (method.returnMetaType() == QMetaType::fromType<QVariant>())
        ret = Q_RETURN_ARG(QVariant, returnedVariant);
    if (!method.invoke(movie_, Qt::DirectConnection, ret, generic[0], generic[1]))
        return false;
    if (result) {
        if (method.returnMetaType() == QMetaType::fromType<QString>())
            *result = returnedString;
        else if (returnedVariant.isValid() && !returnedVariant.isNull())
            *result = returnedVariant.toString();
        else
            result->clear();
    }
    return true;
}

void CShockwaveFlash::TGotoLabel(const QString& target, const QString& label) {
    CallMovie("gotoLabel", {target, label}, nullptr);
}

void CShockwaveFlash::SetVariable(const QString& name, const QString& value) {
    CallMovie("setVariable", {name, value}, nullptr);
}

QString CShockwaveFlash::GetVariable(const QString& name) {
    QString value;
    if (!CallMovie("getVariable", {name}, &value))
        return {};
    return value;
}

} // namespace hookwise::app
