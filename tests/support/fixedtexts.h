// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QVariant>
#include <QtTest>

// A table of the texts users read: which object (the window itself or a
// child of it, by name), which of its properties, and the exact text.
inline void addFixedTextColumns() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("text");
}
inline void addFixedText(const char* object, const char* property, const QString& text) {
    QTest::addRow("%s %s", object, property)
        << QString::fromLatin1(object) << QByteArray(property) << text;
}

// The property's text, or "<no such object>".
inline QString fixedText(const QObject& window, const QString& object, const QByteArray& property) {
    const QObject* found =
        window.objectName() == object ? &window : window.findChild<QObject*>(object);
    return found != nullptr ? found->property(property.constData()).toString()
                            : QStringLiteral("<no such object>");
}
