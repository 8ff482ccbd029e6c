#pragma once

// A server tree on a bare tree widget, with settings as a first start writes them
// and a private registry, prompt script and port offset.

#include "common/registry.h"
#include "controlcenter/servertree.h"
#include "controlcenter/settingsstore.h"
#include "controlcenter/treeimages.h"
#include "platform/prompts.h"
#include "tests/support/testenv.h"

#include <QTreeWidget>

#include <memory>

namespace ferry::test {

struct TreeFixture {
    TestEnv env;
    ControlCenterSettings settings;
    QTreeWidget widget;
    bool sessionWithServer = false;
    std::unique_ptr<ServerTree> tree;

    TreeFixture()
    {
        prompts::reset();
        writeDefaultSettings();
        settings.read();
        settings.setOwnAddress(0x7F000001);  // 127.0.0.1
    }

    ServerTree &make()
    {
        tree.reset();  // the tracker port is free again before the next tree binds it
        tree = std::make_unique<ServerTree>(&widget, treeimages::imageList(), settings,
                                            [this] { return sessionWithServer; });
        return *tree;
    }

    // Builds the tree and runs its initialisation (registry list, tracker socket).
    ServerTree &start()
    {
        make().initialize();
        return *tree;
    }

    static void setValue(const char *key, const QString &name, const QString &data)
    {
        CRegistry registry;
        registry.Create(QLatin1String(key));
        registry.SetStringValue(name, data);
    }

    static QString value(const char *key, const QString &name)
    {
        CRegistry registry;
        QString data;
        if (registry.Open(QLatin1String(key), KEY_READ))
            registry.GetStringValue(name, data);
        return data;
    }

    // The labels of a row's children, in order.
    static QStringList labels(const QTreeWidgetItem *row)
    {
        QStringList out;
        for (int i = 0; row && i < row->childCount(); ++i)
            out << row->child(i)->text(0);
        return out;
    }

    static QTreeWidgetItem *childLabelled(const QTreeWidgetItem *row, const QString &label)
    {
        for (int i = 0; row && i < row->childCount(); ++i) {
            if (row->child(i)->text(0) == label)
                return row->child(i);
        }
        return nullptr;
    }
};

} // namespace ferry::test
