#include "tarnwick/utils/ViewFrustum.h"

using namespace DirectX;

void ViewFrustum::Update(FXMMATRIX newView)
{
    view = newView;
    viewProjection = XMMatrixMultiply(view, projection);

    // The rows of the transpose are the columns c0..c3 of view x projection; clip space
    // is -w <= x <= w, -w <= y <= w, 0 <= z <= w.
    const XMMATRIX columns = XMMatrixTranspose(viewProjection);
    const XMVECTOR* c = columns.r;
    planes[PlaneRight] = c[3] - c[0];
    planes[PlaneLeft] = c[3] + c[0];
    planes[PlaneTop] = c[3] - c[1];
    planes[PlaneBottom] = c[3] + c[1];
    planes[PlaneFar] = c[3] - c[2];
    planes[PlaneNear] = c[2];

    const XMMATRIX inverseView = XMMatrixInverse(nullptr, view);
    eyePosition = XMVector4Transform(XMVectorSet(0.0f, 0.0f, 0.0f, 1.0f), inverseView);
    viewDirection = XMVector3Normalize(XMVector4Transform(XMVectorSet(0.0f, 0.0f, 1.0f, 0.0f), inverseView));
}
