#include "gl_window.h"

#include <GL/freeglut.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "geometry/geometry_scene.h"
#include "viewer/scene.h"

namespace viewer_test {

namespace {

int displayCalls = 0;
void countDisplay() {
  ++displayCalls;
}

}  // namespace

bool haveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

bool displayRequired() {
  const char* required = std::getenv("BEZIER_REQUIRE_DISPLAY");
  return required != nullptr && *required != '\0' && std::string(required) != "0";
}

void openTestWindow() {
  static bool opened = false;
  if (opened) return;
  opened = true;
  int argc = 1;
  char name[] = "viewer_tests";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
  glutInitWindowSize(800, 800);
  glutCreateWindow("BezierCurve test");
  glClearColor(1, 1, 1, 1);
  glutDisplayFunc(countDisplay);
  // Wait until the window is mapped and has shown its first frame, so that later redraw
  // requests are answered.
  for (int i = 0; i < 500 && displayCalls == 0; ++i) {
    glutMainLoopEvent();
    usleep(10000);
  }
  installOpenGlMarkers();
}

void resetViewerScene() {
  scene = ViewerScene{};
  scene.curveA = kDefaultCurveA;
  scene.curveB = kDefaultCurveB;
  geometryScene = GeometryScene{};
}

int framesShown() {
  const int before = displayCalls;
  glutMainLoopEvent();
  return displayCalls - before;
}

std::vector<FeedbackShape> captureFeedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 22);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  std::vector<FeedbackShape> shapes;
  if (used < 0) {
    ADD_FAILURE() << "feedback buffer overflow";
    return shapes;
  }

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  const float halfWidth = viewport[2] / 2.0f;
  const float halfHeight = viewport[3] / 2.0f;
  // GL_3D_COLOR in RGBA mode: x, y, z, then red, green, blue, alpha.
  auto readVertex = [&](GLint& at) {
    FeedbackVertex v{(buffer[at] - viewport[0]) / halfWidth - 1.0f,
                     (buffer[at + 1] - viewport[1]) / halfHeight - 1.0f, buffer[at + 3],
                     buffer[at + 4], buffer[at + 5]};
    at += 7;
    return v;
  };
  for (GLint at = 0; at < used;) {
    const GLenum token = static_cast<GLenum>(buffer[at++]);
    if (token == GL_POINT_TOKEN) {
      shapes.push_back({Shape::kPoint, {readVertex(at)}});
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      FeedbackVertex from = readVertex(at);
      FeedbackVertex to = readVertex(at);
      shapes.push_back({Shape::kLine, {from, to}});
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      ++at;
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
  }
  return shapes;
}

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  char path[] = "/tmp/viewer_tests_stdout_XXXXXX";
  const int fd = mkstemp(path);
  path_ = path;
  savedFd_ = dup(STDOUT_FILENO);
  dup2(fd, STDOUT_FILENO);
  close(fd);
}

StdoutCapture::~StdoutCapture() {
  std::fflush(stdout);
  dup2(savedFd_, STDOUT_FILENO);
  close(savedFd_);
  unlink(path_.c_str());
}

std::string StdoutCapture::written() const {
  std::ifstream file(path_);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void ViewerWindowTest::SetUp() {
  SKIP_WITHOUT_DISPLAY();
  openTestWindow();
  resetViewerScene();
  capture_ = std::make_unique<StdoutCapture>();
}

void ViewerWindowTest::TearDown() {
  // Drawing left pending would be flushed at exit, when freeglut closes the display, and Mesa's
  // software renderer can no longer compile it then: finish it while the process is whole.
  if (haveDisplay()) glFinish();
  capture_.reset();
}

}  // namespace viewer_test
