#include "SceneGraphChoice.h"
#include "TestHome.h"

using namespace aru;

class SceneGraphChoiceTest : public QObject {
    Q_OBJECT

private slots:
    // Only rasterisers that run on the processor hand the drawing to Qt's software renderer; a
    // GPU driver built with LLVM is still a GPU.
    void softwareOpenGLIsRecognisedByItsRendererName_data() {
        QTest::addColumn<QByteArray>("renderer");
        QTest::addColumn<bool>("software");
        QTest::newRow("llvmpipe") << QByteArray("llvmpipe (LLVM 15.0.6, 256 bits)") << true;
        QTest::newRow("softpipe") << QByteArray("softpipe") << true;
        QTest::newRow("classic Mesa") << QByteArray("Software Rasterizer") << true;
        QTest::newRow("Intel") << QByteArray("Mesa Intel(R) UHD Graphics 620 (KBL GT2)") << false;
        QTest::newRow("AMD, built with LLVM")
            << QByteArray("AMD Radeon RX 6600 (navi23, LLVM 15.0.7, DRM 3.49)") << false;
        QTest::newRow("NVIDIA") << QByteArray("NVIDIA GeForce RTX 3060/PCIe/SSE2") << false;
        QTest::newRow("none") << QByteArray() << false;
    }
    void softwareOpenGLIsRecognisedByItsRendererName() {
        QFETCH(QByteArray, renderer);
        QFETCH(bool, software);
        QCOMPARE(SceneGraphChoice::isSoftwareOpenGL(renderer), software);
    }
};

ARU_TEST_MAIN(SceneGraphChoiceTest)
#include "tst_scene_graph_choice.moc"
