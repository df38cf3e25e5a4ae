// The main window on the H.264 fixture video with scripted dialogs, as the road tests drive it: shown at a
// fixed size, the results pages recorded instead of shown (the results window is modal), closed without
// the quit question, and clicks and layer drags on the view in view pixels.
#pragma once

#include "common/UnitOptions.h"
#include "measurement/UnitData.h"
#include "measurement/UnitTransparent.h"
#include "shell/UnitMainForm.h"
#include "support/TestSupport.h"
#include "video/UnitVideo.h"
#include "video/VideoFixtures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

struct TMainFormFixture : ::testing::Test
{
    TScriptedUserDlgScope Messages;
    TScriptedDialogsScope Dialogs;
    QTemporaryDir Dir;
    std::unique_ptr<TMainForm> Form;
    QString VideoPath;
    QStringList PagesShown;

    void SetUp() override
    {
        VideoPath = FixtureVideo(TFixtureKind::H264Mp4);
        ASSERT_FALSE(VideoPath.isEmpty());
        Form = std::make_unique<TMainForm>(Dir.filePath(QStringLiteral("Kinotra.ini")));
        Form->ShowResultsPage = [this](const QString& button) { PagesShown << button; };
        Form->resize(1000, 760);
        Form->show();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        if (!Form)
            return;
        Form->Options().CheckBox3ConfirmationQuit = false;
        Form.reset();
    }

    void ClickView(int x, int y, int button = mbLeft)
    {
        TVideo& v = Form->Video();
        v.ViewMouseMove(Qt::NoModifier, x, y);
        v.ViewMouseDown(button, Qt::NoModifier, x, y);
        v.ViewMouseUp(button, Qt::NoModifier, x, y);
    }

    // On the layer: drags the sheet's origin to (x, y) of the view, then points the object at (300, 200).
    void DragLayerAndPoint(int x, int y)
    {
        TVideo& view = Form->Video();
        const QPoint from = view.ToView(Form->Data().Transparent->OrigineCurrent);
        view.ViewMouseMove(Qt::NoModifier, from.x(), from.y());
        view.ViewMouseDown(mbLeft, Qt::NoModifier, from.x(), from.y());
        view.ViewMouseMove(Qt::NoModifier, x, y);
        view.ViewMouseUp(mbLeft, Qt::NoModifier, x, y);
        ClickView(300, 200);
    }
};
